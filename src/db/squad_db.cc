// The Squad Database: one byte string of 52-byte records plus its count, and
// an index from lower-cased padded name to SquadIDs that answers FindSquad.
#include "db/squad_db.h"

#include <cstddef>
#include <limits>
#include <stdexcept>

#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::size_t kRecordSize = kSquadRecordSize;
constexpr std::size_t kNameSize = 24;
constexpr std::size_t kPasswordOffset = 24;
constexpr std::size_t kPasswordSize = 24;
constexpr std::size_t kOwnerOffset = 48;
constexpr std::size_t kOwnerSize = 4;

std::size_t Offset(std::int32_t id) {
  return static_cast<std::size_t>(id - 1) * kRecordSize;
}

}  // namespace

std::string SquadDatabase::GetSquadRecord(std::int32_t id) const {
  if (id <= 0 || id > count_) return std::string();
  return bytes_.substr(Offset(id), kRecordSize);
}

void SquadDatabase::PutSquadRecord(std::int32_t id, std::string_view record) {
  if (id <= 0 || id > count_) return;
  std::string fitted = PadField(record, kRecordSize);
  UnindexRecord(id);
  bytes_.replace(Offset(id), kRecordSize, fitted);
  IndexRecord(id);
}

std::string SquadDatabase::GetSquadField(std::int32_t id,
                                         SquadField field) const {
  if (id <= 0 || id > count_) return std::string();
  switch (field) {
    case SquadField::kName:
      return bytes_.substr(Offset(id), kNameSize);
    case SquadField::kPassword:
      return bytes_.substr(Offset(id) + kPasswordOffset, kPasswordSize);
    case SquadField::kOwner:
      return bytes_.substr(Offset(id) + kOwnerOffset, kOwnerSize);
  }
  return std::string();
}

void SquadDatabase::SetSquadField(std::int32_t id, SquadField field,
                                  std::string_view value) {
  if (id <= 0 || id > count_) return;
  switch (field) {
    case SquadField::kName:
      UnindexRecord(id);
      bytes_.replace(Offset(id), kNameSize, PadField(value, kNameSize));
      IndexRecord(id);
      return;
    case SquadField::kPassword:
      bytes_.replace(Offset(id) + kPasswordOffset, kPasswordSize,
                     PadField(value, kPasswordSize));
      return;
    case SquadField::kOwner:
      // Fitted, so that a value of another width cannot shift the records.
      bytes_.replace(Offset(id) + kOwnerOffset, kOwnerSize,
                     PadField(value, kOwnerSize));
      return;
  }
}

std::int32_t SquadDatabase::FindSquad(std::string_view name) const {
  auto it = by_name_.find(ToLower(PadField(name, kNameSize)));
  if (it == by_name_.end() || it->second.empty()) return 0;
  return *it->second.begin();
}

std::int32_t SquadDatabase::AppendSquad(std::string_view name,
                                        std::string_view password,
                                        std::int32_t owner) {
  if (count_ == std::numeric_limits<std::int32_t>::max()) {
    throw std::length_error("Squad Database too large");
  }
  bytes_ += PadField(name, kNameSize) + PadField(password, kPasswordSize) +
            Int32ToBytes(owner);
  ++count_;
  try {
    IndexRecord(count_);
  } catch (...) {
    --count_;
    bytes_.resize(Offset(count_ + 1));
    throw;
  }
  return count_;
}

void SquadDatabase::RemoveSquad(std::int32_t id) {
  if (id <= 0 || id > count_) return;
  bytes_.erase(Offset(id), kRecordSize);
  --count_;
  // Every later SquadID moves down by one.
  RebuildIndex();
}

void SquadDatabase::Assign(std::string bytes, std::int32_t count) {
  if (count < 0) count = 0;
  bytes.resize(static_cast<std::size_t>(count) * kRecordSize, '\0');
  bytes_ = std::move(bytes);
  count_ = count;
  RebuildIndex();
}

void SquadDatabase::RebuildIndex() {
  by_name_.clear();
  for (std::int32_t id = 1; id <= count_; ++id) IndexRecord(id);
}

void SquadDatabase::IndexRecord(std::int32_t id) {
  by_name_[ToLower(std::string_view(bytes_).substr(Offset(id), kNameSize))]
      .insert(id);
}

void SquadDatabase::UnindexRecord(std::int32_t id) {
  auto it = by_name_.find(
      ToLower(std::string_view(bytes_).substr(Offset(id), kNameSize)));
  if (it == by_name_.end()) return;
  it->second.erase(id);
  if (it->second.empty()) by_name_.erase(it);
}

}  // namespace tallyhall
