// The Squad Database: 52-byte records in a RecordStore indexed by
// lower-cased padded name, which answers FindSquad.
#include "db/squad_db.h"

#include <cstddef>

#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::size_t kRecordSize = kSquadRecordSize;
constexpr std::size_t kNameSize = 24;
constexpr std::size_t kPasswordOffset = 24;
constexpr std::size_t kPasswordSize = 24;
constexpr std::size_t kOwnerOffset = 48;
constexpr std::size_t kOwnerSize = 4;

}  // namespace

std::string SquadDatabase::GetSquadRecord(std::int32_t id) const {
  return std::string(store_.Record(id));
}

void SquadDatabase::PutSquadRecord(std::int32_t id, std::string_view record) {
  if (!store_.Contains(id)) return;
  store_.Write(id, 0, PadField(record, kRecordSize));
}

std::string SquadDatabase::GetSquadField(std::int32_t id,
                                         SquadField field) const {
  switch (field) {
    case SquadField::kName:
      return std::string(store_.Field(id, 0, kNameSize));
    case SquadField::kPassword:
      return std::string(store_.Field(id, kPasswordOffset, kPasswordSize));
    case SquadField::kOwner:
      return std::string(store_.Field(id, kOwnerOffset, kOwnerSize));
  }
  return std::string();
}

void SquadDatabase::SetSquadField(std::int32_t id, SquadField field,
                                  std::string_view value) {
  if (!store_.Contains(id)) return;
  switch (field) {
    case SquadField::kName:
      store_.Write(id, 0, PadField(value, kNameSize));
      return;
    case SquadField::kPassword:
      store_.Write(id, kPasswordOffset, PadField(value, kPasswordSize));
      return;
    case SquadField::kOwner:
      // Fitted, so that a value of another width cannot shift the records.
      store_.Write(id, kOwnerOffset, PadField(value, kOwnerSize));
      return;
  }
}

std::int32_t SquadDatabase::FindSquad(std::string_view name) const {
  return store_.Find(name, {});
}

std::int32_t SquadDatabase::AppendSquad(std::string_view name,
                                        std::string_view password,
                                        std::int32_t owner) {
  return store_.Append(PadField(name, kNameSize) +
                       PadField(password, kPasswordSize) + Int32ToBytes(owner));
}

void SquadDatabase::RemoveSquad(std::int32_t id) { store_.Remove(id); }

}  // namespace tallyhall
