// The Score Database of one zone: 14-byte score records, numbered from 1.
#ifndef TALLYHALL_DB_SCORE_DB_H_
#define TALLYHALL_DB_SCORE_DB_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyhall {

// Record layout, little-endian: Win 0 (2), Loss 2 (2), Ratio 4 (2),
// KillPoints 6 (4), FlagPoints 10 (4). Stored as the zone reports it.
inline constexpr int kScoreRecordSize = 14;

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
  std::int32_t ScoreCount() const { return count_; }

  // The record, or 14 NUL bytes when `id` is not in 1..ScoreCount.
  std::string GetScoreRecord(std::int32_t id) const;

  // Replaces record `id`. id <= 0: nothing happens. id > ScoreCount: the
  // database grows with zeroed records up to id. A record of another size
  // is fitted with PadField. Throws std::length_error, changing nothing,
  // when growing would pass 2^31-1 bytes.
  void PutScoreRecord(std::int32_t id, std::string_view record);

  // Appends a zeroed record and returns its number.
  std::int32_t AddScoreRecord();

  // The whole database as stored in its file.
  const std::string& bytes() const { return bytes_; }
  // Replaces the whole database; `bytes` holds exactly `count` records.
  void Assign(std::string bytes, std::int32_t count);

 private:
  std::string bytes_;
  std::int32_t count_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SCORE_DB_H_
