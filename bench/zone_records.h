// Generated databases for the benchmarks: player i is named "player<i>",
// has MacID i and ScoreID i; squad i is named "squad<i>".
#ifndef TALLYHALL_BENCH_ZONE_RECORDS_H_
#define TALLYHALL_BENCH_ZONE_RECORDS_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "db/encoding.h"
#include "db/squad_db.h"
#include "db/user_db.h"

namespace tallyhall {

inline std::string PlayerName(std::int32_t id) {
  return "player" + DecimalText(id);
}

// `records` User Database records, end to end.
inline std::string UserRecords(std::int32_t records) {
  std::string users;
  users.reserve(static_cast<std::size_t>(records) * kUserRecordSize);
  for (std::int32_t id = 1; id <= records; ++id) {
    std::string record = PadField(PlayerName(id), 24);
    record += Int32ToBytes(0) + Int32ToBytes(id);  // SquadID, ScoreID
    record += std::string(kDataBlockSize + 16, '\0');
    record += Int32ToBytes(id);  // MacID
    record += std::string(8, '\0');
    users += record;
  }
  return users;
}

// `records` Squad Database records, end to end, owned by UserID i.
inline std::string SquadRecords(std::int32_t records) {
  std::string squads;
  for (std::int32_t id = 1; id <= records; ++id) {
    squads += PadField("squad" + DecimalText(id), 24) + std::string(24, '\0') +
              Int32ToBytes(id);
  }
  return squads;
}

}  // namespace tallyhall

#endif  // TALLYHALL_BENCH_ZONE_RECORDS_H_
