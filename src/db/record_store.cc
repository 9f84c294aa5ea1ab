// The record store: records are read and overwritten in place; only a write
// that reaches the name or MacID pays for re-indexing, and the only write
// that can fail half-way, an append the index has no room for, is undone.
#include "db/record_store.h"

#include <limits>
#include <stdexcept>
#include <utility>

#include "base/fresh_memory.h"

namespace tallyhall {

namespace {

constexpr std::size_t kNameSize = 24;
constexpr std::size_t kMacSize = 4;

// Growth is refused beyond this size, so that a corrupt record number (two
// billion) cannot make the server allocate gigabytes; offsets and counts
// then also stay within 32-bit signed values.
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

}  // namespace

RecordStore::RecordStore(const char* name, std::size_t record_size,
                         Indexing indexing, std::size_t mac_offset)
    : name_(name), record_size_(record_size), mac_offset_(mac_offset) {
  if (indexing == Indexing::kByName) index_.emplace(record_size, mac_offset);
}

std::string_view RecordStore::Field(std::int32_t id, std::size_t offset,
                                    std::size_t width) const {
  if (!Contains(id)) return {};
  return std::string_view(bytes()).substr(Offset(id) + offset, width);
}

void RecordStore::Write(std::int32_t id, std::size_t offset,
                        std::string_view value) {
  const std::size_t at = Offset(id) + offset;
  auto write = [&] { bytes_.Mutable().replace(at, value.size(), value); };
  if (index_ && TouchesIdentity(offset, value.size())) {
    index_->Rewrite(bytes(), id, write);
  } else {
    write();
  }
}

std::int32_t RecordStore::Append(std::string_view record) {
  CheckRoomForOne();
  std::string& bytes = bytes_.Mutable();
  // A database that grows login by login would otherwise fault every
  // fresh page of every doubled copy one at a time.
  ReserveFresh(bytes, bytes.size() + record.size());
  bytes += record;
  ++count_;
  if (!index_) return count_;
  try {
    index_->Insert(bytes, count_);
  } catch (...) {
    --count_;
    bytes.resize(Offset(count_ + 1));
    throw;
  }
  return count_;
}

void RecordStore::GrowTo(std::int32_t count) {
  if (static_cast<std::int64_t>(count) *
          static_cast<std::int64_t>(record_size_) >
      kMaxBytes) {
    ThrowTooLarge();
  }
  bytes_.Mutable().resize(Offset(count + 1), '\0');
  count_ = count;
}

bool RecordStore::Remove(std::int32_t id) {
  if (!Contains(id)) return false;
  if (index_) index_->Erase(bytes(), id);
  bytes_.Mutable().erase(Offset(id), record_size_);
  --count_;
  // Every later record number moves down by one.
  if (index_) index_->CloseGap(id);
  return true;
}

std::int32_t RecordStore::Find(std::string_view name,
                               std::string_view mac) const {
  if (!index_) return 0;
  return index_->Find(bytes(), RecordIndex::QueryKey(name, mac));
}

void RecordStore::Assign(std::string bytes, std::int32_t count) {
  if (count < 0) count = 0;
  bytes.resize(static_cast<std::size_t>(count) * record_size_, '\0');
  if (index_) {
    // Built aside, so that running out of memory changes nothing.
    RecordIndex index(record_size_, mac_offset_);
    index.Build(bytes, count);
    *index_ = std::move(index);
  }
  bytes_.Mutable() = std::move(bytes);
  count_ = count;
}

void RecordStore::CheckRoomForOne() const {
  if (count_ == std::numeric_limits<std::int32_t>::max()) ThrowTooLarge();
}

bool RecordStore::TouchesIdentity(std::size_t offset, std::size_t size) const {
  if (offset < kNameSize) return true;
  return mac_offset_ != RecordIndex::kNoMac &&
         offset < mac_offset_ + kMacSize && offset + size > mac_offset_;
}

void RecordStore::ThrowTooLarge() const {
  throw std::length_error(std::string(name_) + " too large");
}

}  // namespace tallyhall
