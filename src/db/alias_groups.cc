// The alias-group listing in three passes over the copied records: links to
// the next record with the same MacID and IP, the distinct names, then the
// groups themselves, member by member.
#include "db/alias_groups.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/fresh_memory.h"

namespace tallyhall {
namespace {

constexpr std::size_t kNameSize = 24;

// FNV-1a, extended one byte at a time so that every substring's hash
// follows from the one a byte shorter.
constexpr std::uint64_t kHashStart = 0xcbf29ce484222325;
std::uint64_t HashByte(std::uint64_t hash, char byte) {
  return (hash ^ static_cast<unsigned char>(byte)) * 0x100000001b3;
}

std::uint64_t HashOf(std::string_view bytes) {
  std::uint64_t hash = kHashStart;
  for (char byte : bytes) hash = HashByte(hash, byte);
  return hash;
}

// A power of two at least twice `count`.
std::size_t TableSize(std::int32_t count) {
  return std::bit_ceil(std::max<std::size_t>(16, 2 * std::size_t(count)));
}

std::size_t Spread(std::uint64_t hash) { return (hash >> 17) ^ hash; }

bool HasDelimiter(std::string_view name) {
  return name.find_first_of("<>,") != std::string_view::npos;
}

}  // namespace

AliasGroups::AliasGroups(std::string_view records, std::int32_t count,
                         std::size_t record_size, std::size_t ip_offset,
                         std::size_t mac_offset)
    : count_(std::max(count, 0)), next_(count_ - 1) {
  AssignFresh(records_, static_cast<std::size_t>(count_), Record{});
  for (std::int32_t i = 0; i < count_; ++i) {
    const char* record = records.data() + std::size_t(i) * record_size;
    Record& copy = records_[static_cast<std::size_t>(i)];
    std::memcpy(copy.name.data(), record, kNameSize);
    std::memcpy(&copy.ip, record + ip_offset, 4);
    std::memcpy(&copy.mac, record + mac_offset, 4);
  }
}

std::size_t AliasGroups::TableUnits() const {
  return static_cast<std::size_t>(count_) / 4;
}

void AliasGroups::StartLinks() {
  AssignFresh(last_mac_, TableSize(count_), LastSeen{});
  AssignFresh(last_ip_, TableSize(count_), LastSeen{});
  AssignFresh(next_mac_, static_cast<std::size_t>(count_), kNone);
  AssignFresh(next_ip_, static_cast<std::size_t>(count_), kNone);
  phase_ = Phase::kLinks;
}

void AliasGroups::StartNames() {
  last_mac_ = {};
  last_ip_ = {};
  AssignFresh(names_, TableSize(count_), NameSlot{});
  AssignFresh(name_of_, static_cast<std::size_t>(count_), std::uint32_t{0});
  AssignFresh(name_filter_, std::max<std::size_t>(1, names_.size() / 32),
              std::uint64_t{0});
  phase_ = Phase::kNames;
  next_ = 0;
}

bool AliasGroups::Step(std::size_t units) {
  for (; units > 0 && phase_ != Phase::kDone; --units) {
    switch (phase_) {
      case Phase::kTables:
        StartLinks();
        units -= std::min(units - 1, TableUnits());
        break;
      case Phase::kLinks:
        if (next_ < 0) {
          StartNames();
          units -= std::min(units - 1, TableUnits());
        } else {
          Link(next_--);
        }
        break;
      case Phase::kNames:
        if (next_ == count_) {
          occurs_.resize(names_.size());
          listed_.resize(names_.size());
          phase_ = Phase::kGroups;
          next_ = 0;
        } else {
          Name(next_++);
        }
        break;
      case Phase::kGroups:
        if (next_ == count_ && !in_group_) {
          if (!text_.empty()) text_.pop_back();
          records_ = {};
          phase_ = Phase::kDone;
        } else {
          ListOne();
        }
        break;
      case Phase::kDone:
        break;
    }
  }
  return phase_ == Phase::kDone;
}

std::string_view AliasGroups::NameOf(std::int32_t record) const {
  const auto& name = records_[static_cast<std::size_t>(record)].name;
  const void* nul = std::memchr(name.data(), '\0', name.size());
  return {name.data(), nul ? static_cast<std::size_t>(
                                 static_cast<const char*>(nul) - name.data())
                           : name.size()};
}

void AliasGroups::LinkBy(std::vector<LastSeen>& last, std::uint32_t key,
                         std::int32_t record, std::int32_t& next) {
  const std::size_t mask = last.size() - 1;
  std::size_t i = Spread(key * 0x9e3779b97f4a7c15) & mask;
  while (last[i].record != kNone && last[i].key != key) i = (i + 1) & mask;
  next = last[i].record;
  last[i] = {.key = key, .record = record};
}

void AliasGroups::Link(std::int32_t record) {
  const Record& r = records_[static_cast<std::size_t>(record)];
  LinkBy(last_mac_, r.mac, record, next_mac_[static_cast<std::size_t>(record)]);
  LinkBy(last_ip_, r.ip, record, next_ip_[static_cast<std::size_t>(record)]);
}

std::size_t AliasGroups::SlotOf(std::string_view name,
                                std::uint64_t hash) const {
  const std::size_t mask = names_.size() - 1;
  std::size_t i = Spread(hash) & mask;
  for (; names_[i].record != kNone; i = (i + 1) & mask) {
    const NameSlot& slot = names_[i];
    if (slot.hash == hash && slot.length == name.size() &&
        NameOf(slot.record) == name) {
      break;
    }
  }
  return i;
}

void AliasGroups::Name(std::int32_t record) {
  const std::string_view name = NameOf(record);
  const std::uint64_t hash = HashOf(name);
  const std::size_t slot = SlotOf(name, hash);
  if (names_[slot].record == kNone) {
    names_[slot] = {.hash = hash,
                    .record = record,
                    .length = static_cast<std::uint32_t>(name.size())};
    const std::size_t bit = Spread(hash) % (name_filter_.size() * 64);
    name_filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    lengths_ |= 1u << name.size();
  }
  name_of_[static_cast<std::size_t>(record)] = static_cast<std::uint32_t>(slot);
}

bool AliasGroups::Occurs(std::int32_t record) const {
  const std::string_view name = NameOf(record);
  if (name.empty()) return true;
  if (occurs_[name_of_[static_cast<std::size_t>(record)]]) return true;
  // Only a name with a delimiter may occur across listed names.
  return HasDelimiter(name) && text_.find(name) != std::string::npos;
}

void AliasGroups::ListOne() {
  if (!in_group_) {
    const std::int32_t head = next_++;
    by_mac_ = next_mac_[static_cast<std::size_t>(head)];
    by_ip_ = next_ip_[static_cast<std::size_t>(head)];
    if ((by_mac_ == kNone && by_ip_ == kNone) || Occurs(head)) return;
    in_group_ = true;
    AppendMember(head);
    return;
  }
  if (by_mac_ == kNone && by_ip_ == kNone) {
    text_ += ',';
    in_group_ = false;
    return;
  }
  // The lower of the two next records; both chains move past it.
  const std::int32_t member = by_mac_ == kNone  ? by_ip_
                              : by_ip_ == kNone ? by_mac_
                                                : std::min(by_mac_, by_ip_);
  if (by_mac_ == member) by_mac_ = next_mac_[static_cast<std::size_t>(member)];
  if (by_ip_ == member) by_ip_ = next_ip_[static_cast<std::size_t>(member)];
  AppendMember(member);
}

void AliasGroups::AppendMember(std::int32_t record) {
  const std::string_view name = NameOf(record);
  ReserveFresh(text_, text_.size() + name.size() + 2);
  text_ += '<';
  text_ += name;
  text_ += '>';
  const std::uint32_t slot = name_of_[static_cast<std::size_t>(record)];
  if (listed_[slot]) return;
  listed_[slot] = true;
  MarkInside(name);
}

void AliasGroups::MarkInside(std::string_view name) {
  const std::size_t filter_bits = name_filter_.size() * 64;
  for (std::size_t from = 0; from < name.size(); ++from) {
    std::uint64_t hash = kHashStart;
    for (std::size_t to = from; to < name.size(); ++to) {
      hash = HashByte(hash, name[to]);
      const std::size_t length = to - from + 1;
      if ((lengths_ >> length & 1) == 0) continue;
      const std::size_t bit = Spread(hash) % filter_bits;
      if ((name_filter_[bit / 64] >> (bit % 64) & 1) == 0) continue;
      const std::size_t slot = SlotOf(name.substr(from, length), hash);
      if (names_[slot].record != kNone) occurs_[slot] = true;
    }
  }
}

}  // namespace tallyhall
