// The record index: identities read eight name bytes at a time, hashed to 32
// bits that pick the home slot and screen candidates before a record is read.
// Records that share an identity cost one sorted-list entry each, never a
// longer probe run.
#include "db/record_index.h"

#include <algorithm>
#include <cstring>
#include <ranges>
#include <utility>

namespace tallyhall {

namespace {

constexpr std::size_t kNameSize = 24;
constexpr std::size_t kMacSize = 4;
constexpr std::uint64_t kOnes = 0x0101010101010101;

// ASCII lower case of 8 bytes at once: 0x20 is set in each byte 'A'..'Z'.
// Each byte's low 7 bits plus the offsets stay below 0x100, so no carry
// crosses into the next byte; bytes from 0x80 are left alone.
std::uint64_t LowerWord(std::uint64_t bytes) {
  const std::uint64_t low = bytes & (0x7f * kOnes);
  const std::uint64_t from_a = low + (0x80 - 'A') * kOnes;
  const std::uint64_t past_z = low + (0x80 - 'Z' - 1) * kOnes;
  const std::uint64_t upper = from_a & ~past_z & ~bytes & (0x80 * kOnes);
  return bytes | (upper >> 2);
}

RecordKey KeyOf(const char* name, std::uint32_t mac) {
  RecordKey key;
  for (std::size_t i = 0; i < key.name.size(); ++i) {
    std::uint64_t word;
    std::memcpy(&word, name + 8 * i, sizeof word);
    key.name[i] = LowerWord(word);
  }
  key.mac = mac;
  return key;
}

}  // namespace

std::uint32_t RecordIndex::HashOf(const RecordKey& key) {
  std::uint64_t hash = key.mac;
  for (std::uint64_t word : key.name) {
    hash = (hash ^ word) * 0x9e3779b97f4a7c15;
    hash ^= hash >> 32;
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccd;
  hash ^= hash >> 33;
  return static_cast<std::uint32_t>(hash);
}

RecordKey RecordIndex::QueryKey(std::string_view name, std::string_view mac) {
  char padded[kNameSize] = {};
  if (!name.empty()) {
    std::memcpy(padded, name.data(), std::min(name.size(), kNameSize));
  }
  std::uint32_t mac_bytes = 0;
  if (!mac.empty()) {
    std::memcpy(&mac_bytes, mac.data(), std::min(mac.size(), kMacSize));
  }
  return KeyOf(padded, mac_bytes);
}

RecordKey RecordIndex::KeyAt(std::string_view records, std::int32_t id) const {
  const char* record =
      records.data() + static_cast<std::size_t>(id - 1) * record_size_;
  std::uint32_t mac = 0;
  if (mac_offset_ != kNoMac) std::memcpy(&mac, record + mac_offset_, kMacSize);
  return KeyOf(record, mac);
}

void RecordIndex::Build(std::string_view records, std::int32_t count) {
  std::vector<Slot> slots(CapacityFor(static_cast<std::size_t>(count)));
  std::vector<Slot> later;
  std::size_t used = 0;
  const std::size_t mask = slots.size() - 1;
  // Hashes a batch of records and asks for their home slots before placing
  // any, so that the table's cache misses overlap instead of queueing.
  constexpr std::int32_t kBatch = 16;
  Slot batch[kBatch];
  for (std::int32_t first = 1; first <= count; first += kBatch) {
    const std::int32_t size = std::min(kBatch, count - first + 1);
    for (std::int32_t i = 0; i < size; ++i) {
      batch[i] = {.hash = HashOf(KeyAt(records, first + i)), .id = first + i};
      __builtin_prefetch(&slots[batch[i].hash & mask], 1);
    }
    for (const Slot& slot : batch | std::views::take(size)) {
      std::size_t i = slot.hash & mask;
      while (slots[i].id != 0 &&
             (slots[i].hash != slot.hash ||
              KeyAt(records, slots[i].id) != KeyAt(records, slot.id))) {
        i = (i + 1) & mask;
      }
      if (slots[i].id == 0) {
        slots[i] = slot;
        ++used;
      } else {
        later.push_back(slot);
      }
    }
  }
  std::sort(later.begin(), later.end());
  slots_.swap(slots);
  later_.swap(later);
  used_ = used;
}

void RecordIndex::ReserveOne() {
  if (CapacityFor(used_ + 1) > slots_.size()) {
    std::vector<Slot> bigger(CapacityFor(used_ + 1));
    for (const Slot& slot : slots_) {
      if (slot.id != 0) Place(bigger, slot);
    }
    slots_.swap(bigger);
  }
  if (later_.size() == later_.capacity()) {
    later_.reserve(std::max<std::size_t>(16, 2 * later_.size()));
  }
}

void RecordIndex::Insert(std::string_view records, std::int32_t id) {
  ReserveOne();
  const RecordKey key = KeyAt(records, id);
  Slot slot{.hash = HashOf(key), .id = id};
  const std::size_t i = SlotOf(records, key, slot.hash);
  if (i == kNone) {
    Place(slots_, slot);
    ++used_;
    return;
  }
  // The lower of the two numbers stays in the table.
  if (slot.id < slots_[i].id) std::swap(slot.id, slots_[i].id);
  later_.insert(std::lower_bound(later_.begin(), later_.end(), slot), slot);
}

void RecordIndex::Erase(std::string_view records, std::int32_t id) {
  const RecordKey key = KeyAt(records, id);
  const Slot slot{.hash = HashOf(key), .id = id};
  const std::size_t i = SlotOf(records, key, slot.hash);
  if (i == kNone) return;  // not indexed
  auto it = std::lower_bound(later_.begin(), later_.end(), slot);
  if (slots_[i].id != id) {
    if (it != later_.end() && *it == slot) later_.erase(it);
    return;
  }
  // The lowest of the identity's other records, if any, takes its place.
  for (it = std::lower_bound(later_.begin(), later_.end(),
                             Slot{.hash = slot.hash, .id = 0});
       it != later_.end() && it->hash == slot.hash; ++it) {
    if (KeyAt(records, it->id) == key) {
      slots_[i].id = it->id;
      later_.erase(it);
      return;
    }
  }
  ClearSlot(i);
  --used_;
}

void RecordIndex::CloseGap(std::int32_t removed_id) {
  // Numbers keep their order, so the list stays sorted.
  for (std::vector<Slot>* slots : {&slots_, &later_}) {
    for (Slot& slot : *slots) {
      if (slot.id > removed_id) --slot.id;
    }
  }
}

std::int32_t RecordIndex::Find(std::string_view records,
                               const RecordKey& key) const {
  const std::size_t i = SlotOf(records, key, HashOf(key));
  return i == kNone ? 0 : slots_[i].id;
}

std::size_t RecordIndex::SlotOf(std::string_view records, const RecordKey& key,
                                std::uint32_t hash) const {
  if (slots_.empty()) return kNone;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask; slots_[i].id != 0; i = (i + 1) & mask) {
    if (slots_[i].hash == hash && KeyAt(records, slots_[i].id) == key) {
      return i;
    }
  }
  return kNone;
}

void RecordIndex::ClearSlot(std::size_t hole) {
  const std::size_t mask = slots_.size() - 1;
  // A later slot of the run moves back into the hole unless that would put
  // it before its home slot; no slot is left unreachable.
  for (std::size_t next = (hole + 1) & mask; slots_[next].id != 0;
       next = (next + 1) & mask) {
    const std::size_t home = slots_[next].hash & mask;
    if (((next - home) & mask) >= ((next - hole) & mask)) {
      slots_[hole] = slots_[next];
      hole = next;
    }
  }
  slots_[hole] = Slot{};
}

// At least 16 slots, and at most three in four in use.
std::size_t RecordIndex::CapacityFor(std::size_t identities) {
  std::size_t capacity = 16;
  while (identities > capacity / 4 * 3) capacity *= 2;
  return capacity;
}

void RecordIndex::Place(std::vector<Slot>& slots, Slot slot) {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = slot.hash & mask;
  while (slots[i].id != 0) i = (i + 1) & mask;
  slots[i] = slot;
}

}  // namespace tallyhall
