// libFuzzer target over the packet interpreter. Each input is a stream of
// datagrams from three senders, and timer events, against a core with two
// logged-in zones, players present and operators logged in. The files live
// in a folder under /dev/shm, are put back before every input and are never
// synced, so that one input costs little.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "db/encoding.h"
#include "fuzz/fuzz_traffic.h"
#include "shell/server_core.h"
#include "shell/settings.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

class NullScheduler : public Scheduler {
 public:
  void RestartGreetingTimer() override {}
};

class NullTransport : public Transport {
 public:
  void SendDatagram(const Address&, std::string_view) override {}
};

// Stops the run as a finding, naming the broken expectation.
void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "packet_fuzzer: %s\n", what);
  std::abort();
}

// One server as the fuzzer drives it: a core on a memory folder whose file
// replacements skip the disk syncs and set `*replaced`.
struct Session {
  Session(const std::string& folder, bool* replaced)
      : core(folder, transport, clock, nullptr, scheduler) {
    core.set_file_hooks({.before_rename =
                             [replaced](const std::string&) {
                               *replaced = true;
                               return 0;
                             },
                         .skip_sync = true});
    core.Start();
  }

  // Zones one and two log in, each with its three players, who log in as
  // operators and join chat channels.
  void LogInZonesAndPlayers() {
    for (int n = 1; n <= 2; ++n) {
      const Address zone = SenderAddress(static_cast<unsigned char>(n - 1));
      core.OnDatagram(zone,
                      Reliable(sequence++, ZoneLoginMessage(FuzzZone(n))));
      for (std::int32_t id = 1; id <= 3; ++id) {
        core.OnDatagram(
            zone, Reliable(sequence++, PlayerLogin(kFuzzPlayers[id - 1], id,
                                                   1000 * n + id, true)));
        for (const std::string& text : SetupCommands(id)) {
          core.OnDatagram(zone, Reliable(sequence++, Command(id, text)));
        }
      }
    }
  }

  void Run(std::string_view input) {
    for (std::string_view chunk : SplitChunks(input)) {
      const auto selector = static_cast<unsigned char>(chunk[0]);
      chunk.remove_prefix(1);
      if (selector != kTickSelector) {
        core.OnDatagram(SenderAddress(selector), chunk);
        continue;
      }
      // Half a minute to two hours later: greetings leave, saves fall due.
      const int steps = chunk.empty() ? 1 : 1 + (chunk[0] & 0xff);
      clock.Advance(30 * steps);
      core.OnGreetingTimer();
      core.OnSaveTick();
    }
  }

  // Every database holds whole records.
  void CheckRecords() {
    for (std::int32_t id = 1; id <= core.zones().ZoneCount(); ++id) {
      const ZoneDatabases& dbs = core.zones().Zone(id).databases;
      Check(dbs.users.bytes().size() ==
                static_cast<std::size_t>(dbs.users.UserCount()) * 156,
            "User Database holds a partial record");
      Check(dbs.squads.bytes().size() ==
                static_cast<std::size_t>(dbs.squads.SquadCount()) * 52,
            "Squad Database holds a partial record");
      Check(dbs.scores.bytes().size() ==
                static_cast<std::size_t>(dbs.scores.ScoreCount()) * 14,
            "Score Database holds a partial record");
    }
  }

  NullTransport transport;
  FakeClock clock;
  NullScheduler scheduler;
  ServerCore core;
  std::int32_t sequence = 0;
};

// The program folder, with the files every input starts from: the settings
// with both zones registered, and each zone's databases with its players and
// two squads.
class FuzzFolder {
 public:
  FuzzFolder() {
    std::string pattern = std::filesystem::is_directory("/dev/shm")
                              ? "/dev/shm/tallyhall-fuzz-XXXXXX"
                              : TempPattern();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
    WriteFile(path_ + "/Tallyhall.ini", kDefaultSettingsText);
    Session session(path_, &replaced_);
    session.LogInZonesAndPlayers();
    ZoneTable& zones = session.core.zones();
    Check(zones.ZoneCount() == 2, "set-up: zones not logged in");
    for (std::int32_t id = 1; id <= 2; ++id) {
      ZoneEntry& zone = zones.Zone(id);
      Check(zone.PlayerCount() == 3 && zone.Player(1).IsMessageOp != 0 &&
                zone.Player(1).IsAccountOp != 0 && zone.Player(1).IsSysOp != 0,
            "set-up: players or operators missing");
      zone.databases.squads.AppendSquad("Alpha", "alphapw", 1);
      zone.databases.squads.AppendSquad("Beta Squad", "betapw", 2);
      zone.databases.users.SetUserField(1, UserField::kSquadID,
                                        Int32ToBytes(1));
      zone.databases.users.SetUserField(2, UserField::kSquadID,
                                        Int32ToBytes(2));
    }
    session.core.Shutdown();
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      baseline_[entry.path().filename()] = ReadFile(entry.path());
    }
  }
  ~FuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  const std::string& path() const { return path_; }
  // Set by the sessions' file replacements.
  bool* replaced() { return &replaced_; }

  // Removes the files the last input made and puts the starting files back
  // when one was replaced. The core changes files only by replacing them,
  // except the record files of unknown events, which it creates.
  void Restore() {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      if (!baseline_.contains(entry.path().filename())) {
        std::filesystem::remove_all(entry.path());
      }
    }
    if (!replaced_) return;
    for (const auto& [name, bytes] : baseline_) {
      WriteFile(path_ + "/" + name, bytes);
    }
    replaced_ = false;
  }

 private:
  static std::string TempPattern() {
    return (std::filesystem::temp_directory_path() / "tallyhall-fuzz-XXXXXX")
        .string();
  }

  std::string path_;
  std::map<std::string, std::string> baseline_;
  bool replaced_ = true;
};

}  // namespace
}  // namespace tallyhall

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace tallyhall;
  static FuzzFolder folder;
  folder.Restore();
  // No shutdown at the end: zone logoffs and the save tick reach the saves,
  // and the next input starts from the same files either way.
  Session session(folder.path(), folder.replaced());
  session.LogInZonesAndPlayers();
  session.Run(std::string_view(reinterpret_cast<const char*>(data), size));
  session.CheckRecords();
  return 0;
}
