// How long the commands that walk a whole User or Score Database of a
// million records hold the loop: each is answered within the one event of
// its datagram, so its time here is the wait of every other zone.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "bench_world.h"
#include "commands/dispatch.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "support/core_fixture.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

constexpr std::int32_t kRecords = 1000000;
constexpr std::int32_t kSysOpId = 1;

// One zone with a million records (names of 3 to 20 letters, every third
// record sharing its MacID with its neighbours, every fifth an IP) and a
// SysOp present.
struct MillionWorld {
  MillionWorld() : core(folder.path(), transport, clock, nullptr, scheduler) {
    auto zone = std::make_unique<ZoneEntry>();
    zone->ServerName = "Bench";
    zone->serial = core.NextZoneSerial();
    zone->Players.push_back(
        {.PlayerName = "Warden", .PlayerID = kSysOpId, .IsSysOp = -1});
    std::mt19937 random(2026);
    const LocalTime now{.year = 2026, .month = 12, .day = 7};
    for (std::int32_t id = 1; id <= kRecords; ++id) {
      std::string name(3 + random() % 18, 'a');
      for (char& c : name) c = static_cast<char>('a' + random() % 26);
      const std::int32_t mac = id % 3 == 0 ? id - 1 : id;
      const std::int32_t ip = id % 5 == 0 ? 0x0a000001 : 0x0b000000 + id;
      zone->databases.users.AddUser(zone->databases.scores, name,
                                    Int32ToBytes(ip), Int32ToBytes(mac), now);
    }
    core.zones().Append(std::move(zone));
  }

  TempDir folder;
  NullTransport transport;
  FakeClock clock;
  FakeScheduler scheduler;
  ServerCore core;
};

MillionWorld& World() {
  static MillionWorld world;
  return world;
}

void BM_WholeDatabaseCommand(benchmark::State& state, const char* text) {
  MillionWorld& world = World();
  const std::string message =
      std::string("\x13", 1) + Int32ToBytes(kSysOpId) + text;
  for (auto _ : state) DispatchCommand(world.core, 1, message);
}
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, info, "?info zzzzzzzzzz")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, infopage, "?infopage 1 zzzz")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, alias, "?alias 3")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, aliaspage, "?aliaspage 1 3")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, top, "?top10 total")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeDatabaseCommand, scorefind, "?scorefind 1 zzzz")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tallyhall
