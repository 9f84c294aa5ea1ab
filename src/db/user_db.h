// The User Database of one zone: one 156-byte record per player identity
// (name and MacID); UserIDs are record positions from 1.
#ifndef TALLYHALL_DB_USER_DB_H_
#define TALLYHALL_DB_USER_DB_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "db/alias_groups.h"
#include "db/record_store.h"
#include "db/score_db.h"

namespace tallyhall {

// Record layout (offset, width): Name 0 (24, NUL-padded), SquadID 24 (4),
// ScoreID 28 (4), DataBlock 32 (96), Created 128 (12, packed time stamp),
// IP 140 (4), MacID 144 (4), LastDatePlayed 148 (4, packed date),
// UsageTotal 152 (4). Integers are little-endian.
inline constexpr int kUserRecordSize = 156;
inline constexpr int kDataBlockSize = 96;

// Field selectors; the value is the field's offset.
enum class UserField : std::int16_t {
  kName = 0,
  kSquadID = 24,
  kScoreID = 28,
  kDataBlock = 32,
  kCreated = 128,
  kIP = 140,
  kMacID = 144,
  kLastDatePlayed = 148,
  kUsageTotal = 152,
};

// Width in bytes of a field; 0 for a selector that names no field.
int UserFieldWidth(UserField field);

class UserDatabase {
 public:
  std::int32_t UserCount() const { return store_.count(); }

  // The record, or empty when `id` is not in 1..UserCount.
  std::string GetUserRecord(std::int32_t id) const;
  // Replaces record `id` (156 bytes; another size is fitted with PadField);
  // nothing happens outside 1..UserCount.
  void PutUserRecord(std::int32_t id, std::string_view record);

  // The field's bytes; empty for an id outside 1..UserCount or a selector
  // that names no field.
  std::string GetUserField(std::int32_t id, UserField field) const;
  // The value is fitted with PadField to the field's width (Name 24).
  // Nothing happens outside 1..UserCount or for an unknown selector.
  void SetUserField(std::int32_t id, UserField field, std::string_view value);

  // The first record whose name (first 24 bytes, case-insensitive) and
  // MacID (4 bytes) match; 0 when none. Answered from an index: the same
  // answer as a scan from UserID 1. A `mac` not 4 bytes long matches none.
  std::int32_t FindUser(std::string_view name, std::string_view mac) const;

  // The first record whose name cut at its first NUL equals `name` without
  // regard to ASCII case and whose MacID is `mac` (4 bytes); 0 when none,
  // and for a `name` longer than 24 bytes or holding a NUL. Unlike FindUser,
  // bytes behind the first NUL of a stored name (a file written by other
  // software) do not count. Answered from the index and the list of such
  // names, so it costs the same as FindUser when there are none.
  std::int32_t FindUserByTrimmedName(std::string_view name,
                                     std::string_view mac) const;

  // Appends a record for a new player, with a new zeroed score record in
  // `scores`, created now; returns its UserID. `ip` and `mac` are fitted
  // to 4 bytes.
  std::int32_t AddUser(ScoreDatabase& scores, std::string_view name,
                       std::string_view ip, std::string_view mac,
                       const LocalTime& now);

  // Names of the records with this MacID, in UserID order, joined by ", ".
  std::string ListNamesByMacID(std::int32_t mac) const;
  // Groups of names sharing a MacID or an IP: "<a><b>,<c><d>". Record i
  // heads a group of itself and every later record that shares its MacID
  // or its IP, unless its name already occurs anywhere in the text built so
  // far (case-sensitive, "<", ">" and "," included; an empty name always
  // occurs). Time grows linearly with the records and the text.
  std::string ListAliasGroups() const;
  // The same listing over a copy of the records as they are now, to be
  // worked out in steps.
  AliasGroups StartAliasGroups() const;

  // Removes record `id`; every later record moves down by one.
  void RemoveUser(std::int32_t id);

  const std::string& bytes() const { return store_.bytes(); }
  // Replaces the whole database; `bytes` is fitted to `count` records (a
  // negative count is 0). The index is built in one pass. Throws
  // std::bad_alloc, changing nothing, when memory runs out.
  void Assign(std::string bytes, std::int32_t count);

  // Whether bytes() may differ from what the database's file holds: true for
  // a new database and after any change, false after MarkWritten.
  bool changed() const { return store_.changed(); }
  // The file now holds exactly bytes(): a save may leave it alone.
  void MarkWritten() { store_.MarkWritten(); }

 private:
  // Writes `value` over record `id` from `offset`, keeping the index and
  // tailed_names_ in step.
  void WriteInRecord(std::int32_t id, std::size_t offset,
                     std::string_view value);
  // Lists or unlists record `id` in tailed_names_ as its name now stands.
  // Cannot throw when tailed_names_ has room for one more.
  void NoteNameTail(std::int32_t id);

  // Indexed by identity (name and MacID at 144); answers FindUser.
  RecordStore store_{"User Database", kUserRecordSize, Indexing::kByName,
                     static_cast<std::size_t>(UserField::kMacID)};
  // UserIDs, ascending, of the records whose name field holds other bytes
  // behind its first NUL; the index cannot tell those names by what they
  // show. The server never writes such a name, so this is nearly always
  // empty.
  std::vector<std::int32_t> tailed_names_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_USER_DB_H_
