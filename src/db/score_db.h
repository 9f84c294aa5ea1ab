// The Score Database of one zone: 14-byte score records, numbered from 1.
#ifndef TALLYHALL_DB_SCORE_DB_H_
#define TALLYHALL_DB_SCORE_DB_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "db/record_store.h"

namespace tallyhall {

// Record layout, little-endian: Win 0 (2), Loss 2 (2), Ratio 4 (2),
// KillPoints 6 (4), FlagPoints 10 (4). Stored as the zone reports it.
inline constexpr int kScoreRecordSize = 14;
inline constexpr std::size_t kWinOffset = 0;
inline constexpr std::size_t kLossOffset = 2;
inline constexpr std::size_t kRatioOffset = 4;
inline constexpr std::size_t kKillPointsOffset = 6;
inline constexpr std::size_t kFlagPointsOffset = 10;

// The fields of one score record. TotalPoints is not stored: it is
// KillPoints + FlagPoints.
struct ScoreFields {
  std::int16_t win = 0;
  std::int16_t loss = 0;
  std::int16_t ratio = 0;
  std::int32_t kill_points = 0;
  std::int32_t flag_points = 0;

  std::int64_t TotalPoints() const {
    return std::int64_t{kill_points} + flag_points;
  }
};

// The fields of a 14-byte record; bytes missing from a shorter one read as 0.
ScoreFields ScoreFieldsOf(std::string_view record);

class ScoreDatabase {
 public:
  std::int32_t ScoreCount() const { return store_.count(); }

  // The record, or 14 NUL bytes when `id` is not in 1..ScoreCount.
  std::string GetScoreRecord(std::int32_t id) const;

  // Record `id` in place, without a copy: valid until the database next
  // changes. Empty when `id` is not in 1..ScoreCount.
  std::string_view ScoreRecordView(std::int32_t id) const;

  // Replaces record `id`. id <= 0: nothing happens. id > ScoreCount: the
  // database grows with zeroed records up to id. A record of another size
  // is fitted with PadField. Throws std::length_error, changing nothing,
  // when growing would pass 2^31-1 bytes.
  void PutScoreRecord(std::int32_t id, std::string_view record);

  // Appends a zeroed record and returns its number.
  std::int32_t AddScoreRecord();

  // Removes record `id`: every later record moves down by one and
  // ScoreCount decreases by one. Returns false, changing nothing, when `id`
  // is not in 1..ScoreCount. References to later records are the caller's
  // to renumber.
  bool RemoveScoreRecord(std::int32_t id);

  // The whole database as stored in its file.
  const std::string& bytes() const { return store_.bytes(); }
  // Replaces the whole database; `bytes` is fitted to `count` records (a
  // negative count is 0).
  void Assign(std::string bytes, std::int32_t count) {
    store_.Assign(std::move(bytes), count);
  }

  // Whether bytes() may differ from what the database's file holds: true for
  // a new database and after any change, false after MarkWritten.
  bool changed() const { return store_.changed(); }
  // The file now holds exactly bytes(): a save may leave it alone.
  void MarkWritten() { store_.MarkWritten(); }

 private:
  RecordStore store_{"Score Database", kScoreRecordSize, Indexing::kNone};
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SCORE_DB_H_
