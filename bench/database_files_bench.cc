// Zone login and save at a million records: loading the three files (with
// FindUser's index), writing a changed zone, skipping an unchanged one, the
// first new player after a load, and the resident memory per database byte.
// The folder is made under TMPDIR: on tmpfs (/dev/shm) a sync costs nothing,
// on a disk the save includes the disk's own sync.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "bench_world.h"
#include "db/database_files.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

constexpr std::int32_t kRecords = 1000000;
constexpr std::int32_t kSquads = 1000;
const DatabaseIds kIds{.server_id = 1, .group_id = 1, .score_id = 1};

// Resident bytes of this process.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) *
         static_cast<double>(sysconf(_SC_PAGESIZE));
}

double DatabaseBytes(const ZoneDatabases& dbs) {
  return static_cast<double>(dbs.users.bytes().size() +
                             dbs.squads.bytes().size() +
                             dbs.scores.bytes().size());
}

// A folder holding the files of a zone with kRecords players (each with a
// score record) and kSquads squads, and a terminal that keeps the lines.
struct ZoneFolder {
  ZoneFolder() : terminal(clock, nullptr) {
    WriteFile(folder.File("User.1"), BenchUserRecords(kRecords));
    WriteFile(folder.File("Squad.1"), BenchSquadRecords(kSquads));
    WriteFile(folder.File("Score.1"),
              std::string(std::size_t{kRecords} * kScoreRecordSize, 's'));
  }

  Status Load(ZoneDatabases& dbs) {
    return LoadDatabases(folder.path(), "Bench", kIds, dbs, terminal);
  }
  Status Save(ZoneDatabases& dbs) {
    return SaveDatabases(folder.path(), "Bench", kIds, dbs, terminal);
  }

  TempDir folder;
  FakeClock clock;
  Terminal terminal;
};

// Written once per run: the files take seconds to generate.
ZoneFolder& Files() {
  static auto files = std::make_unique<ZoneFolder>();
  return *files;
}

void BM_LoadZone(benchmark::State& state) {
  ZoneFolder& files = Files();
  const double before = ResidentBytes();
  ZoneDatabases dbs;
  for (auto _ : state) {
    if (!files.Load(dbs).ok()) {
      state.SkipWithError("load failed");
      return;  // before the counters, which need loaded databases
    }
  }
  if (dbs.users.FindUser("PLAYER999999", Int32ToBytes(999999)) != 999999) {
    state.SkipWithError("FindUser misses a loaded player");
  }
  const double after = ResidentBytes();
  state.counters["resident_per_db_byte"] = after / DatabaseBytes(dbs);
  state.counters["added_per_db_byte"] = (after - before) / DatabaseBytes(dbs);
}
BENCHMARK(BM_LoadZone)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first player a zone sees after its login adds a User and a Score
// record to databases of a million records.
void BM_FirstNewPlayerAfterLoad(benchmark::State& state) {
  ZoneFolder& files = Files();
  ZoneDatabases dbs;
  for (auto _ : state) {
    state.PauseTiming();
    const bool loaded = files.Load(dbs).ok();
    state.ResumeTiming();
    if (!loaded) {
      state.SkipWithError("load failed");
      break;
    }
    dbs.users.AddUser(dbs.scores, "newcomer", "ipip", "mac!", LocalTime{});
  }
}
BENCHMARK(BM_FirstNewPlayerAfterLoad)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// A save after one player's visit changed the User and Score Databases.
void BM_SaveChangedZone(benchmark::State& state) {
  ZoneFolder& files = Files();
  ZoneDatabases dbs;
  if (!files.Load(dbs).ok()) {
    state.SkipWithError("load failed");
    return;
  }
  std::int32_t id = 0;
  for (auto _ : state) {
    ++id;
    dbs.users.SetUserField(id, UserField::kIP,
                           std::string_view("\x0a\x00\x00\x07", 4));
    dbs.scores.PutScoreRecord(id, "fourteen bytes");
    if (!files.Save(dbs).ok()) {
      state.SkipWithError("save failed");
      break;
    }
  }
}
BENCHMARK(BM_SaveChangedZone)->Unit(benchmark::kMillisecond)->UseRealTime();

// A save with nothing changed since the load.
void BM_SaveUnchangedZone(benchmark::State& state) {
  ZoneFolder& files = Files();
  ZoneDatabases dbs;
  if (!files.Load(dbs).ok()) {
    state.SkipWithError("load failed");
    return;
  }
  for (auto _ : state) {
    if (!files.Save(dbs).ok()) {
      state.SkipWithError("save failed");
      break;
    }
  }
}
BENCHMARK(BM_SaveUnchangedZone)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tallyhall
