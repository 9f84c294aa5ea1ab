// Cost of ?aliasx2 and ?infodump for a SysOp on a User Database of 100,000
// records whose players share machines and addresses as real ones do.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "bench_world.h"
#include "commands/dispatch.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "shell/server_events.h"
#include "support/core_fixture.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

constexpr std::int32_t kRecords = 100000;
constexpr std::int32_t kSysOpId = 1;

// Names such as "Torvik", "mara42" or "KELDRIN_7": syllables, sometimes
// digits, so that short names also occur inside longer ones.
std::string RandomName(std::mt19937& random) {
  static constexpr std::string_view kSyllables[] = {
      "tor", "vik", "ma",  "ra",   "kel", "drin", "zo", "ly",  "an", "ne",
      "bo",  "rus", "fen", "wick", "ul",  "tha",  "sa", "rin", "el", "dor"};
  std::string name;
  for (auto n = 2 + random() % 3; n > 0; --n) {
    name += kSyllables[random() % std::size(kSyllables)];
  }
  if (random() % 3 == 0) name[0] = static_cast<char>(name[0] - 'a' + 'A');
  if (random() % 2 == 0) name += DecimalText(random() % 100);
  return name;
}

// One zone with kRecords players and a SysOp present. About 60,000
// machines and 80,000 addresses: most machines carry one or two names,
// some carry many, and addresses are shared behind the same routers.
struct InfoWorld {
  InfoWorld() : core(folder.path(), transport, clock, nullptr, scheduler) {
    auto zone = std::make_unique<ZoneEntry>();
    zone->ServerName = "Bench";
    zone->serial = core.NextZoneSerial();
    zone->Players.push_back(
        {.PlayerName = "Warden", .PlayerID = kSysOpId, .IsSysOp = -1});
    std::mt19937 random(2026);
    const LocalTime now{.year = 2026, .month = 12, .day = 7};
    for (std::int32_t id = 1; id <= kRecords; ++id) {
      const auto mac = static_cast<std::int32_t>(random() % 60000);
      const auto ip = static_cast<std::int32_t>(0x0a000000 + random() % 80000);
      zone->databases.users.AddUser(zone->databases.scores, RandomName(random),
                                    Int32ToBytes(ip), Int32ToBytes(mac), now);
    }
    core.zones().Append(std::move(zone));
  }

  // The command typed by the SysOp; returns the replies sent.
  std::int64_t Type(std::string_view text) {
    const std::int64_t before = transport.sent;
    DispatchCommand(
        core, 1,
        std::string("\x13", 1) + Int32ToBytes(kSysOpId) + std::string(text));
    // A long command is answered in the loop's spare turns.
    while (DoPendingWork(core, 4096)) {
    }
    return transport.sent - before;
  }

  TempDir folder;
  NullTransport transport;
  FakeClock clock;
  FakeScheduler scheduler;
  ServerCore core;
};

InfoWorld& World() {
  static InfoWorld world;
  return world;
}

void RunCommand(benchmark::State& state, const std::string& text,
                std::int64_t replies) {
  InfoWorld& world = World();
  for (auto _ : state) {
    if (world.Type(text) != replies) {
      state.SkipWithError("unexpected number of replies");
      break;
    }
  }
}

// The whole alias text is built for every page asked for, in the steps the
// loop takes between datagrams.
void BM_AliasX2(benchmark::State& state) {
  const std::string groups =
      World().core.zones().Zone(1).databases.users.ListAliasGroups();
  state.counters["text_bytes"] = static_cast<double>(groups.size());
  RunCommand(state, "?aliasx2 " + DecimalText(state.range(0)), 41);
}
BENCHMARK(BM_AliasX2)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_InfoDump(benchmark::State& state) {
  RunCommand(state, "?infodump " + DecimalText(state.range(0)), 41);
}
BENCHMARK(BM_InfoDump)
    ->Arg(1)
    ->Arg(kRecords / 40)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tallyhall
