// Cost of the score commands that read the whole User Database: ?top10, a
// ?top window near the end of the ranking, and a ?scoreall page, against
// databases of 1,000 and 1,000,000 records with random scores.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "bench_world.h"
#include "commands/command_context.h"
#include "commands/command_table.h"
#include "commands/score_commands.h"
#include "commands/top_list.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "support/core_fixture.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

// A core with one zone whose User Database holds `records` players with
// random scores (many ties in Win, Loss and Ratio), and one player present.
struct ScoreWorld {
  explicit ScoreWorld(std::int32_t records)
      : core(folder.path(), transport, clock, nullptr, scheduler) {
    auto zone = std::make_unique<ZoneEntry>();
    zone->ServerName = "Bench";
    zone->serial = core.NextZoneSerial();
    std::mt19937 random(17);
    std::string scores;
    scores.reserve(static_cast<std::size_t>(records) * kScoreRecordSize);
    for (std::int32_t id = 1; id <= records; ++id) {
      auto small = [&] { return static_cast<std::int16_t>(random() % 1000); };
      scores += Int16ToBytes(small()) + Int16ToBytes(small()) +
                Int16ToBytes(small()) +
                Int32ToBytes(static_cast<std::int32_t>(random() % 1000000)) +
                Int32ToBytes(static_cast<std::int32_t>(random() % 1000000));
    }
    zone->databases.users.Assign(BenchUserRecords(records), records);
    zone->databases.scores.Assign(std::move(scores), records);
    ZonePlayer player;
    player.PlayerName = "Reader";
    player.PlayerID = 1;
    zone->Players.push_back(player);
    core.zones().Append(std::move(zone));
  }

  // Runs `handler` as the player present, with the argument `args`.
  void Run(CommandHandler* handler, std::string_view args) {
    ZoneEntry& zone = core.zones().Zone(1);
    CommandContext ctx{.core = core,
                       .zone_id = 1,
                       .zone = zone,
                       .player = zone.Player(1),
                       .player_id = 1,
                       .text = args};
    handler(ctx, args);
  }

  TempDir folder;
  NullTransport transport;
  FakeClock clock;
  FakeScheduler scheduler;
  ServerCore core;
};

// One command per iteration; fails the run unless it sent `replies` lines.
void RunCommand(benchmark::State& state, CommandHandler* handler,
                const std::string& args, std::int64_t replies) {
  auto& world = WorldOf<ScoreWorld>(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) {
    const std::int64_t before = world.transport.sent;
    world.Run(handler, args);
    if (world.transport.sent - before != replies) {
      state.SkipWithError("unexpected number of replies");
      break;
    }
  }
}

void BM_Top10(benchmark::State& state) {
  RunCommand(state, &HandleTop, "10", 11);
}

// Ranks 991 to 1000 of 1,000, or 999,991 to 1,000,000 of 1,000,000.
void BM_TopLastWindow(benchmark::State& state) {
  RunCommand(state, &HandleTop, DecimalText(state.range(0)) + " ratio", 11);
}

// A full page of 40 rows from the middle of the database.
void BM_ScoreAll(benchmark::State& state) {
  RunCommand(state, &HandleScoreAll, " " + DecimalText(state.range(0) / 80),
             42);
}

BENCHMARK(BM_Top10)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopLastWindow)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreAll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tallyhall
