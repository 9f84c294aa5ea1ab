// Cost of a known player's login (lookup, 192-byte reply, AddPlayer with the
// greeting queued) against User Databases of different sizes.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "db/encoding.h"
#include "players/player_login.h"
#include "shell/server_core.h"
#include "support/core_fixture.h"
#include "support/fakes.h"
#include "zone_records.h"

namespace tallyhall {
namespace {

// Drops every datagram, so memory stays flat however long the run.
class NullTransport : public Transport {
 public:
  void SendDatagram(const Address&, std::string_view bytes) override {
    benchmark::DoNotOptimize(bytes.data());
  }
};

// A core with one zone whose User Database holds `records` players.
struct LoginWorld {
  explicit LoginWorld(std::int32_t records)
      : core(folder.path(), transport, clock, nullptr, scheduler) {
    core.settings().greeting = "[Default]";
    auto zone = std::make_unique<ZoneEntry>();
    zone->ServerName = "Bench";
    zone->serial = core.NextZoneSerial();
    zone->databases.users.Assign(UserRecords(records), records);
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

// Built once per size: a million records take seconds to index.
LoginWorld& WorldOf(std::int32_t records) {
  static std::map<std::int32_t, std::unique_ptr<LoginWorld>> worlds;
  auto& world = worlds[records];
  if (!world) world = std::make_unique<LoginWorld>(records);
  return *world;
}

void BM_KnownPlayerLogin(benchmark::State& state) {
  const auto records = static_cast<std::int32_t>(state.range(0));
  LoginWorld& world = WorldOf(records);
  ServerCore& core = world.core;
  ZoneEntry& zone = core.zones().Zone(1);
  const std::int32_t id = records / 2 + 1;
  const std::string message = std::string("\x04\x00", 2) + Hex("0a 00 00 07") +
                              PadField(PlayerName(id), 24) +
                              std::string(40, '\0') + Int32ToBytes(id) +
                              Int32ToBytes(id);
  std::int64_t logins = 0;
  for (auto _ : state) {
    HandlePlayerLogin(core, 1, message);
    RemovePlayer(zone, 1);
    if (++logins % 1024 == 0) {
      state.PauseTiming();
      core.OnGreetingTimer();  // empties the greeting queue
      state.ResumeTiming();
    }
  }
  if (zone.PlayerCount() != 0 || BytesToInt32(zone.databases.users.GetUserField(
                                     id, UserField::kIP)) != 0x0700000a) {
    state.SkipWithError("login did not reach the record");
  }
  core.OnGreetingTimer();
  state.SetItemsProcessed(logins);
}
BENCHMARK(BM_KnownPlayerLogin)->Arg(1000)->Arg(1000000);

}  // namespace
}  // namespace tallyhall

BENCHMARK_MAIN();
