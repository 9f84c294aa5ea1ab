// The Score Database: 14-byte records in a RecordStore without index.
// Records are replaced in place; writing past the end grows the store.
#include "db/score_db.h"

#include <cstddef>
#include <cstdint>

#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::size_t kRecordSize = kScoreRecordSize;

}  // namespace

ScoreFields ScoreFieldsOf(std::string_view record) {
  return {.win = BytesToInt16(FieldAt(record, 0, 2)),
          .loss = BytesToInt16(FieldAt(record, 2, 2)),
          .ratio = BytesToInt16(FieldAt(record, 4, 2)),
          .kill_points = BytesToInt32(FieldAt(record, 6, 4)),
          .flag_points = BytesToInt32(FieldAt(record, 10, 4))};
}

std::string ScoreDatabase::GetScoreRecord(std::int32_t id) const {
  if (!store_.Contains(id)) return std::string(kRecordSize, '\0');
  return std::string(store_.Record(id));
}

std::string_view ScoreDatabase::ScoreRecordView(std::int32_t id) const {
  return store_.Record(id);
}

void ScoreDatabase::PutScoreRecord(std::int32_t id, std::string_view record) {
  if (id <= 0) return;
  // The records between the old end and `id` are zeroed.
  if (id > store_.count()) store_.GrowTo(id);
  store_.Write(id, 0, PadField(record, kRecordSize));
}

std::int32_t ScoreDatabase::AddScoreRecord() {
  return store_.Append(std::string(kRecordSize, '\0'));
}

bool ScoreDatabase::RemoveScoreRecord(std::int32_t id) {
  return store_.Remove(id);
}

}  // namespace tallyhall
