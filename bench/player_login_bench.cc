// Cost of a known player's login (lookup, 192-byte reply, AddPlayer with the
// greeting queued) against User Databases of different sizes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_world.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "players/player_login.h"
#include "shell/server_events.h"
#include "support/core_fixture.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

// A core with one zone whose User Database holds `records` players; player
// i is named "player<i>" with MacID i.
struct LoginWorld {
  explicit LoginWorld(std::int32_t records)
      : core(folder.path(), transport, clock, nullptr, scheduler) {
    core.settings().greeting = "[Default]";
    auto zone = std::make_unique<ZoneEntry>();
    zone->ServerName = "Bench";
    zone->serial = core.NextZoneSerial();
    zone->databases.users.Assign(BenchUserRecords(records), records);
    zone->databases.scores.Assign(
        std::string(static_cast<std::size_t>(records) * kScoreRecordSize, '\0'),
        records);
    core.zones().Append(std::move(zone));
  }

  TempDir folder;
  NullTransport transport;
  FakeClock clock;
  FakeScheduler scheduler;
  ServerCore core;
};

void BM_KnownPlayerLogin(benchmark::State& state) {
  const auto records = static_cast<std::int32_t>(state.range(0));
  auto& world = WorldOf<LoginWorld>(records);
  ServerCore& core = world.core;
  ZoneEntry& zone = core.zones().Zone(1);
  const std::int32_t id = records / 2 + 1;
  const std::string message = std::string("\x04\x00", 2) + Hex("0a 00 00 07") +
                              PadField(BenchPlayerName(id), 24) +
                              std::string(40, '\0') + Int32ToBytes(id) +
                              Int32ToBytes(id);
  std::int64_t logins = 0;
  for (auto _ : state) {
    HandlePlayerLogin(core, 1, message);
    RemovePlayer(zone, 1);
    if (++logins % 1024 == 0) {
      state.PauseTiming();
      OnGreetingTimer(core);  // empties the greeting queue
      state.ResumeTiming();
    }
  }
  if (zone.PlayerCount() != 0 || BytesToInt32(zone.databases.users.GetUserField(
                                     id, UserField::kIP)) != 0x0700000a) {
    state.SkipWithError("login did not reach the record");
  }
  OnGreetingTimer(core);
  state.SetItemsProcessed(logins);
}
BENCHMARK(BM_KnownPlayerLogin)->Arg(1000)->Arg(1000000);

// A world of 1,000 records whose zone has `present` players in its list
// (named "present<i>"), none of them named like a record.
struct CrowdWorld : LoginWorld {
  explicit CrowdWorld(std::int32_t present) : LoginWorld(1000) {
    ZoneEntry& zone = core.zones().Zone(1);
    for (std::int32_t i = 1; i <= present; ++i) {
      AppendPlayer(zone, {.PlayerName = "present" + DecimalText(i),
                          .PlayerID = 1000000 + i});
    }
  }
};

// The duplicate-name test of a known player's login, with `present`
// players in the zone.
void BM_DuplicateNameTest(benchmark::State& state) {
  const auto present = static_cast<std::int32_t>(state.range(0));
  const ZoneEntry& zone = WorldOf<CrowdWorld>(present).core.zones().Zone(1);
  const std::string name = BenchPlayerName(500);
  for (auto _ : state) {
    benchmark::DoNotOptimize(UnusedPlayerName(zone, name));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DuplicateNameTest)->Arg(0)->Arg(100000);

// A known player's whole login and the removal of his entry, with
// `present` players in the zone.
void BM_LoginAmongPresentPlayers(benchmark::State& state) {
  const auto present = static_cast<std::int32_t>(state.range(0));
  ServerCore& core = WorldOf<CrowdWorld>(present).core;
  ZoneEntry& zone = core.zones().Zone(1);
  const std::string message = std::string("\x04\x00", 2) + Hex("0a 00 00 07") +
                              PadField(BenchPlayerName(500), 24) +
                              std::string(40, '\0') + Int32ToBytes(7) +
                              Int32ToBytes(500);
  std::int64_t logins = 0;
  for (auto _ : state) {
    HandlePlayerLogin(core, 1, message);
    RemovePlayer(zone, zone.PlayerCount());
    if (++logins % 1024 == 0) {
      state.PauseTiming();
      OnGreetingTimer(core);  // empties the greeting queue
      state.ResumeTiming();
    }
  }
  OnGreetingTimer(core);
  state.SetItemsProcessed(logins);
}
BENCHMARK(BM_LoginAmongPresentPlayers)->Arg(0)->Arg(100000);

}  // namespace
}  // namespace tallyhall

BENCHMARK_MAIN();
