// The Score Database: one byte string of 14-byte records plus its count.
// Records are replaced in place; writing past the end grows the string.
#include "db/score_db.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::size_t kRecordSize = kScoreRecordSize;

// Growth past the count is refused beyond this size, so that a corrupt or
// absurd ScoreID (two billion) cannot make the server allocate gigabytes.
// Offsets and counts then also stay within 32-bit signed values.
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

std::size_t Offset(std::int32_t id) {
  return static_cast<std::size_t>(id - 1) * kRecordSize;
}

}  // namespace

ScoreFields ScoreFieldsOf(std::string_view record) {
  return {.win = BytesToInt16(FieldAt(record, 0, 2)),
          .loss = BytesToInt16(FieldAt(record, 2, 2)),
          .ratio = BytesToInt16(FieldAt(record, 4, 2)),
          .kill_points = BytesToInt32(FieldAt(record, 6, 4)),
          .flag_points = BytesToInt32(FieldAt(record, 10, 4))};
}

std::string ScoreDatabase::GetScoreRecord(std::int32_t id) const {
  if (id <= 0 || id > count_) return std::string(kRecordSize, '\0');
  return bytes().substr(Offset(id), kRecordSize);
}

std::string_view ScoreDatabase::ScoreRecordView(std::int32_t id) const {
  if (id <= 0 || id > count_) return {};
  return std::string_view(bytes()).substr(Offset(id), kRecordSize);
}

void ScoreDatabase::PutScoreRecord(std::int32_t id, std::string_view record) {
  if (id <= 0) return;
  std::string fitted = PadField(record, kRecordSize);
  if (id <= count_) {
    MutableBytes().replace(Offset(id), kRecordSize, fitted);
    return;
  }
  if (static_cast<std::int64_t>(id) * kScoreRecordSize > kMaxBytes) {
    throw std::length_error("Score Database too large");
  }
  // The records between the old end and `id` are zeroed.
  std::string& grown = MutableBytes();
  grown.resize(Offset(id), '\0');
  grown += fitted;
  count_ = id;
}

std::int32_t ScoreDatabase::AddScoreRecord() {
  if (count_ == std::numeric_limits<std::int32_t>::max()) {
    throw std::length_error("Score Database too large");
  }
  MutableBytes().append(kRecordSize, '\0');
  return ++count_;
}

bool ScoreDatabase::RemoveScoreRecord(std::int32_t id) {
  if (id <= 0 || id > count_) return false;
  MutableBytes().erase(Offset(id), kRecordSize);
  --count_;
  return true;
}

void ScoreDatabase::Assign(std::string bytes, std::int32_t count) {
  if (count < 0) count = 0;
  bytes.resize(static_cast<std::size_t>(count) * kRecordSize, '\0');
  MutableBytes() = std::move(bytes);
  count_ = count;
}

}  // namespace tallyhall
