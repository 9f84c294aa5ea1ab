// The Squad Database of one zone: 52-byte squad records, numbered from 1.
#ifndef TALLYHALL_DB_SQUAD_DB_H_
#define TALLYHALL_DB_SQUAD_DB_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "db/record_store.h"

namespace tallyhall {

// Record layout: Name 0 (24, NUL-padded), Password 24 (24, NUL-padded; all
// NUL = public squad), Owner 48 (4, UserID, 0 = nobody).
inline constexpr int kSquadRecordSize = 52;

// Field selectors; the value is the field's offset.
enum class SquadField : std::int16_t { kName = 0, kPassword = 24, kOwner = 48 };

class SquadDatabase {
 public:
  std::int32_t SquadCount() const { return store_.count(); }

  // The record, or empty when `id` is not in 1..SquadCount.
  std::string GetSquadRecord(std::int32_t id) const;
  // Replaces record `id` (52 bytes; another size is fitted with PadField);
  // nothing happens outside 1..SquadCount.
  void PutSquadRecord(std::int32_t id, std::string_view record);

  // The field's bytes; empty for an id outside 1..SquadCount or a selector
  // that names no field.
  std::string GetSquadField(std::int32_t id, SquadField field) const;
  // Name and Password are fitted with PadField to 24, Owner to 4 bytes.
  // Nothing happens outside 1..SquadCount.
  void SetSquadField(std::int32_t id, SquadField field, std::string_view value);

  // The first squad whose name (first 24 bytes, case-insensitive) matches;
  // 0 when none. Answered from an index.
  std::int32_t FindSquad(std::string_view name) const;

  // Appends a squad and returns its SquadID.
  std::int32_t AppendSquad(std::string_view name, std::string_view password,
                           std::int32_t owner);

  // Removes squad `id`: every later squad moves down by one place and
  // SquadCount decreases by one; FindSquad answers for the new positions.
  // Nothing happens outside 1..SquadCount. The members' SquadIDs in the
  // User Database are the caller's to renumber.
  void RemoveSquad(std::int32_t id);

  const std::string& bytes() const { return store_.bytes(); }
  // Replaces the whole database; `bytes` is fitted to `count` records (a
  // negative count is 0). Throws std::bad_alloc, changing nothing, when
  // memory runs out.
  void Assign(std::string bytes, std::int32_t count) {
    store_.Assign(std::move(bytes), count);
  }

  // Whether bytes() may differ from what the database's file holds: true for
  // a new database and after any change, false after MarkWritten.
  bool changed() const { return store_.changed(); }
  // The file now holds exactly bytes(): a save may leave it alone.
  void MarkWritten() { store_.MarkWritten(); }

 private:
  // Indexed by lower-cased padded name; answers FindSquad.
  RecordStore store_{"Squad Database", kSquadRecordSize, Indexing::kByName};
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SQUAD_DB_H_
