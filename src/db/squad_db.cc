// The Squad Database: one byte string of 52-byte records plus its count, and
// an index from lower-cased padded name to SquadIDs that answers FindSquad.
// Writes that touch the name re-index the record.
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
  return bytes().substr(Offset(id), kRecordSize);
}

void SquadDatabase::PutSquadRecord(std::int32_t id, std::string_view record) {
  if (id <= 0 || id > count_) return;
  WriteInRecord(id, 0, PadField(record, kRecordSize));
}

std::string SquadDatabase::GetSquadField(std::int32_t id,
                                         SquadField field) const {
  if (id <= 0 || id > count_) return std::string();
  switch (field) {
    case SquadField::kName:
      return bytes().substr(Offset(id), kNameSize);
    case SquadField::kPassword:
      return bytes().substr(Offset(id) + kPasswordOffset, kPasswordSize);
    case SquadField::kOwner:
      return bytes().substr(Offset(id) + kOwnerOffset, kOwnerSize);
  }
  return std::string();
}

void SquadDatabase::SetSquadField(std::int32_t id, SquadField field,
                                  std::string_view value) {
  if (id <= 0 || id > count_) return;
  switch (field) {
    case SquadField::kName:
      WriteInRecord(id, 0, PadField(value, kNameSize));
      return;
    case SquadField::kPassword:
      WriteInRecord(id, kPasswordOffset, PadField(value, kPasswordSize));
      return;
    case SquadField::kOwner:
      // Fitted, so that a value of another width cannot shift the records.
      WriteInRecord(id, kOwnerOffset, PadField(value, kOwnerSize));
      return;
  }
}

std::int32_t SquadDatabase::FindSquad(std::string_view name) const {
  return index_.Find(bytes(), RecordIndex::QueryKey(name, {}));
}

std::int32_t SquadDatabase::AppendSquad(std::string_view name,
                                        std::string_view password,
                                        std::int32_t owner) {
  if (count_ == std::numeric_limits<std::int32_t>::max()) {
    throw std::length_error("Squad Database too large");
  }
  MutableBytes() += PadField(name, kNameSize) +
                    PadField(password, kPasswordSize) + Int32ToBytes(owner);
  ++count_;
  try {
    index_.Insert(bytes(), count_);
  } catch (...) {
    --count_;
    MutableBytes().resize(Offset(count_ + 1));
    throw;
  }
  return count_;
}

void SquadDatabase::RemoveSquad(std::int32_t id) {
  if (id <= 0 || id > count_) return;
  index_.Erase(bytes(), id);
  MutableBytes().erase(Offset(id), kRecordSize);
  --count_;
  // Every later SquadID moves down by one.
  index_.CloseGap(id);
}

void SquadDatabase::Assign(std::string bytes, std::int32_t count) {
  if (count < 0) count = 0;
  bytes.resize(static_cast<std::size_t>(count) * kRecordSize, '\0');
  RecordIndex index(kRecordSize, RecordIndex::kNoMac);
  index.Build(bytes, count);
  MutableBytes() = std::move(bytes);
  count_ = count;
  index_ = std::move(index);
}

void SquadDatabase::WriteInRecord(std::int32_t id, std::size_t offset,
                                  std::string_view value) {
  const std::size_t at = Offset(id) + offset;
  auto write = [&] { MutableBytes().replace(at, value.size(), value); };
  if (offset < kNameSize) {
    index_.Rewrite(bytes(), id, write);
  } else {
    write();
  }
}

}  // namespace tallyhall
