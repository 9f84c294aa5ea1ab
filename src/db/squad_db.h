// The Squad Database of one zone: 52-byte squad records, numbered from 1.
#ifndef TALLYHALL_DB_SQUAD_DB_H_
#define TALLYHALL_DB_SQUAD_DB_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace tallyhall {

// Record layout: Name 0 (24, NUL-padded), Password 24 (24, NUL-padded; all
// NUL = public squad), Owner 48 (4, UserID, 0 = nobody).
inline constexpr int kSquadRecordSize = 52;

// Field selectors; the value is the field's offset.
enum class SquadField : std::int16_t { kName = 0, kPassword = 24, kOwner = 48 };

class SquadDatabase {
 public:
  std::int32_t SquadCount() const { return count_; }

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

  const std::string& bytes() const { return bytes_; }
  void Assign(std::string bytes, std::int32_t count);

 private:
  void IndexRecord(std::int32_t id);
  void UnindexRecord(std::int32_t id);
  void RebuildIndex();

  std::string bytes_;
  std::int32_t count_ = 0;
  // Lower-cased padded name -> SquadIDs holding it.
  std::map<std::string, std::set<std::int32_t>, std::less<>> by_name_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SQUAD_DB_H_
