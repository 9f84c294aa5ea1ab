// Pieces shared by the benchmarks: a transport that drops what it sends,
// User Databases of many players, and worlds built once per size.
#ifndef TALLYHALL_BENCH_BENCH_WORLD_H_
#define TALLYHALL_BENCH_BENCH_WORLD_H_

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "context/transport.h"
#include "db/encoding.h"
#include "db/user_db.h"

namespace tallyhall {

// Counts the datagrams and drops them, so memory stays flat however long
// the run.
class NullTransport : public Transport {
 public:
  void SendDatagram(const Address&, std::string_view bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    ++sent;
  }
  std::int64_t sent = 0;
};

inline std::string BenchPlayerName(std::int32_t id) {
  return "player" + DecimalText(id);
}

// The bytes of `records` User Database records: record i is named
// BenchPlayerName(i), has ScoreID i and MacID i, and no squad.
inline std::string BenchUserRecords(std::int32_t records) {
  std::string users;
  users.reserve(static_cast<std::size_t>(records) * kUserRecordSize);
  for (std::int32_t id = 1; id <= records; ++id) {
    users += PadField(BenchPlayerName(id), 24);
    users += Int32ToBytes(0) + Int32ToBytes(id);  // SquadID, ScoreID
    users += std::string(kDataBlockSize + 16, '\0');
    users += Int32ToBytes(id);  // MacID
    users += std::string(8, '\0');
  }
  return users;
}

// `records` Squad Database records, end to end: squad i is named "squad<i>"
// and owned by UserID i.
inline std::string BenchSquadRecords(std::int32_t records) {
  std::string squads;
  for (std::int32_t id = 1; id <= records; ++id) {
    squads += PadField("squad" + DecimalText(id), 24) + std::string(24, '\0') +
              Int32ToBytes(id);
  }
  return squads;
}

// The world of `records` records, built on first use and kept for the
// run: a million records take seconds to build and index.
template <typename World>
World& WorldOf(std::int32_t records) {
  static std::map<std::int32_t, std::unique_ptr<World>> worlds;
  auto& world = worlds[records];
  if (!world) world = std::make_unique<World>(records);
  return *world;
}

}  // namespace tallyhall

#endif  // TALLYHALL_BENCH_BENCH_WORLD_H_
