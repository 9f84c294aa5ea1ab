// libFuzzer target over the packet interpreter. Each input is a stream of
// datagrams from three senders, timer events and file faults, against a
// core with two logged-in zones of a few hundred users, squads and score
// records each, players present and an operator logged in. The core is set
// up once and copied for every input; the files live in a folder under
// /dev/shm, are put back before every input and are never synced. After
// every input the checks of fuzz_invariants.h run.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "base/settings.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "fuzz/core_seams.h"
#include "fuzz/file_faults.h"
#include "fuzz/fuzz_invariants.h"
#include "fuzz/fuzz_traffic.h"
#include "shell/server_events.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

// The set-up's zones, which the copies hold with serials 1 and 2.
constexpr std::uint64_t kSetUpZones = 2;

class NullScheduler : public Scheduler {
 public:
  void ArmGreetingTimer(std::int64_t) override {}
};

// Keeps what is sent only while `keep` is set (the start-up self-check).
class FuzzTransport : public Transport {
 public:
  void SendDatagram(const Address& to, std::string_view bytes) override {
    if (keep) sent.push_back({to, std::string(bytes)});
  }
  bool keep = false;
  std::vector<SentDatagram> sent;
};

// Stops the run as a finding, naming the broken expectation.
void Check(bool holds, std::string_view what) {
  if (holds) return;
  std::fprintf(stderr, "packet_fuzzer: %.*s\n", static_cast<int>(what.size()),
               what.data());
  std::abort();
}
// Stops the run when `fault` names a broken rule.
void CheckNone(const std::string& fault) { Check(fault.empty(), fault); }

// One server as the fuzzer drives it: a core on a memory folder whose file
// replacements skip the disk syncs and go through `faults`. Its clock starts
// at midnight, so that a copy, which never runs Start, keeps the same time
// of the last save (0).
struct Session {
  Session(const std::string& folder, FileFaults& file_faults,
          ConsoleView* view = nullptr)
      : faults(file_faults), core(folder, transport, clock, view, scheduler) {
    clock.Set({.year = 2026, .month = 12, .day = 7});
    core.set_file_hooks({.before_rename =
                             [&faults = faults](const std::string& temp) {
                               return faults.BeforeRename(temp);
                             },
                         .skip_sync = true});
    ConnectReadFaults(core, faults);
  }

  // Start-up, then zones one and two log in, each with its three players;
  // the first of them logs in as an operator of every level and joins two
  // chat channels.
  void SetUp() {
    Check(Start(core).ok(), "start-up failed");
    std::int32_t sequence = 0;
    for (int n = 1; n <= 2; ++n) {
      const Address zone = SenderAddress(static_cast<unsigned char>(n - 1));
      OnDatagram(core, zone,
                 Reliable(sequence++, ZoneLoginMessage(FuzzZone(n))));
      for (std::int32_t id = 1; id <= 3; ++id) {
        OnDatagram(core, zone,
                   Reliable(sequence++, FuzzLogin(kFuzzPlayers[id - 1], id,
                                                  FuzzMac(n, id), true)));
        for (const std::string& text : SetupCommands(id)) {
          OnDatagram(core, zone,
                     Reliable(sequence++, CommandMessage(id, text)));
        }
      }
    }
  }

  // The state SetUp leaves, copied from a session that ran it: settings,
  // zones with their players and databases, queued greetings.
  void CopyFrom(Session& set_up) {
    core.settings() = set_up.core.settings();
    ZoneTable& zones = set_up.core.zones();
    for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
      core.zones().Append(std::make_unique<ZoneEntry>(zones.Zone(id)));
      Check(core.NextZoneSerial() == zones.Zone(id).serial,
            "copy: zone serials differ");
    }
    for (const QueuedGreeting& greeting : set_up.core.delayed_responses()) {
      core.QueueGreeting(greeting.zone_id, greeting.player_id, greeting.text);
    }
  }

  // Returns the number of events; calls `after_event`, when set, after
  // each.
  std::size_t Run(std::string_view input,
                  const std::function<void()>& after_event = {}) {
    const std::vector<std::string_view> chunks = SplitChunks(input);
    for (std::string_view chunk : chunks) {
      const auto selector = static_cast<unsigned char>(chunk[0]);
      chunk.remove_prefix(1);
      RunEvent(selector, chunk);
      if (after_event) after_event();
    }
    return chunks.size();
  }

  void RunEvent(unsigned char selector, std::string_view payload) {
    switch (selector) {
      case kWriteFaultSelector:
        faults.FailWrites(ReadFileFault(payload));
        return;
      case kReadFaultSelector:
        faults.FailNextRead(ReadFileFault(payload));
        return;
      case kTickSelector: {
        // Half a minute to two hours later: greetings leave, saves fall due.
        const int steps = payload.empty() ? 1 : 1 + (payload[0] & 0xff);
        clock.Advance(30 * steps);
        OnGreetingTimer(core);
        OnSaveTick(core);
        return;
      }
      default:
        OnDatagram(core, SenderAddress(selector), payload);
    }
  }

  FileFaults& faults;
  FuzzTransport transport;
  FakeClock clock;
  NullScheduler scheduler;
  ServerCore core;
};

// The program folder with the files every input starts from (the settings
// with both zones registered, each zone's databases), and a session set up
// on them to copy from.
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
    MakeStartingFiles();
    Restore();
    set_up_ = std::make_unique<Session>(path_, faults_);
    keeps_pending_ = PendingDatabases(set_up_->core).has_value();
    set_up_->SetUp();
    CheckCopiesBehaveAlike();
  }
  ~FuzzFolder() {
    std::fprintf(stderr,
                 "packet_fuzzer: %zu inputs, %zu datagrams and timer events\n",
                 inputs, events);
    set_up_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  // A session in the state of the set-up one, on the starting files.
  // Counted by the fuzzer's entry point, reported at exit.
  std::size_t inputs = 0;
  std::size_t events = 0;

  std::unique_ptr<Session> NewSession(ConsoleView* view = nullptr) {
    Restore();
    auto session = std::make_unique<Session>(path_, faults_, view);
    session->CopyFrom(*set_up_);
    return session;
  }

  // Runs one input on a new session and checks what it left.
  void RunInput(std::string_view input) {
    std::unique_ptr<Session> session = NewSession();
    use_.Reset();
    newest_serial_ = kSetUpZones;
    // No shutdown at the end: zone logoffs and the save tick reach the
    // saves, and the next input starts from the same files either way.
    events += session->Run(input, [&] {
      use_.Observe(session->core.zones());
      CheckNewZones(session->core.zones());
    });
    ++inputs;
    CheckAfterInput(session->core);
  }

 private:
  static std::string TempPattern() {
    return (std::filesystem::temp_directory_path() / "tallyhall-fuzz-XXXXXX")
        .string();
  }

  // Writes each zone's databases, runs the set-up on them once, saves, and
  // keeps the files.
  void MakeStartingFiles() {
    for (int n = 1; n <= 2; ++n) {
      const StartingFiles files = FuzzDatabases(n);
      const DatabasePaths paths = PathsOf(path_, FuzzZoneIds(n));
      WriteFile(paths.user, files.user);
      WriteFile(paths.squad, files.squad);
      WriteFile(paths.score, files.score);
    }
    Session session(path_, faults_);
    session.SetUp();
    ZoneTable& zones = session.core.zones();
    Check(zones.ZoneCount() == 2, "set-up: zones not logged in");
    for (std::int32_t id = 1; id <= 2; ++id) {
      ZoneEntry& zone = zones.Zone(id);
      Check(zone.PlayerCount() == 3 && zone.Player(1).IsMessageOp != 0 &&
                zone.Player(1).IsAccountOp != 0 && zone.Player(1).IsSysOp != 0,
            "set-up: players or operators missing");
      Check(zone.Player(3).UserID == 3 &&
                zone.databases.users.UserCount() == kFuzzUsers,
            "set-up: players not found in the starting files");
    }
    Shutdown(session.core);
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      starting_files_[entry.path().filename()] = ReadFile(entry.path());
    }
  }

  // Removes the files the last input made and puts the starting files back
  // when one was replaced, and forgets the last input's faults. The core
  // changes files only by replacing them, except the record files of
  // unknown events, which it creates.
  void Restore() {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      if (!starting_files_.contains(entry.path().filename())) {
        std::filesystem::remove_all(entry.path());
      }
    }
    if (first_restore_ || !faults_.replaced().empty()) {
      for (const auto& [name, bytes] : starting_files_) {
        WriteFile(path_ + "/" + name, bytes);
      }
    }
    first_restore_ = false;
    faults_.Clear();
  }

  // The checks of fuzz_invariants.h on what an input left.
  void CheckAfterInput(ServerCore& core) {
    const ZoneTable& zones = core.zones();
    // Until saves change a zone's files together, a failed save may leave
    // files that disagree, and so does a zone that loads them.
    const bool files_agree =
        kSavesChangeFilesTogether || faults_.failed().empty();
    for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
      const ZoneEntry& zone = zones.Zone(id);
      const bool loaded_before = zone.serial <= kSetUpZones;
      const bool cross_checks = zone.databases_loaded &&
                                !use_.Mixed(zone.Ids()) &&
                                (files_agree || loaded_before);
      CheckNone(ZoneDatabasesFault(zone.databases, cross_checks));
    }
    CheckNone(PartialFileFault(path_, faults_.replaced()));
    if constexpr (kSavesChangeFilesTogether) {
      for (const DatabaseIds& ids : use_.Triples()) {
        if (!use_.Mixed(ids) && Replaced(ids))
          CheckNone(FilesFault(path_, ids));
      }
    }
    if (const auto pending = PendingDatabases(core)) {
      CheckNone(LostSaveFault(path_, zones, faults_.failed(), *pending));
    }
  }

  // A zone that logs in after a failed save of one of its files gets what
  // could not be written. Checked only where the core keeps such databases
  // pending (core_seams.h); today they are lost.
  void CheckNewZones(const ZoneTable& zones) {
    for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
      const ZoneEntry& zone = zones.Zone(id);
      if (zone.serial <= newest_serial_) continue;
      newest_serial_ = zone.serial;
      if (keeps_pending_ && zone.databases_loaded) {
        CheckNone(LoadedLostFault(path_, zone, FailedOfNoOtherZone(zones, id)));
      }
    }
  }

  // The failed writes of files that no zone but `zone_id` has loaded: a
  // zone still connected keeps its unsaved databases to itself, and a zone
  // that logs in beside it reads the file, as zones never share memory.
  std::map<std::string, FileFaults::FailedWrite> FailedOfNoOtherZone(
      const ZoneTable& zones, std::int32_t zone_id) const {
    std::map<std::string, FileFaults::FailedWrite> failed = faults_.failed();
    for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
      if (id == zone_id) continue;
      for (const std::string& name : DatabaseFileNames(zones.Zone(id).Ids())) {
        failed.erase(name);
      }
    }
    return failed;
  }

  // Whether one of the files of `ids` was replaced in this input.
  bool Replaced(const DatabaseIds& ids) const {
    for (const std::string& name : DatabaseFileNames(ids)) {
      if (faults_.replaced().contains(name)) return true;
    }
    return false;
  }

  // What each seed input makes a session send and log.
  struct Trace {
    std::vector<std::string> sent;
    std::vector<std::string> lines;
    bool operator==(const Trace&) const = default;
  };

  Trace TraceOf(Session& session, RecordingView& view, std::string_view in) {
    view.shown.clear();
    session.transport.keep = true;
    session.Run(in);
    Shutdown(session.core);
    Trace trace{.sent = {}, .lines = view.shown};
    for (const SentDatagram& sent : session.transport.sent) {
      trace.sent.push_back(IpText(sent.to.IpBytes()) + ":" +
                           std::to_string(sent.to.port) + " " + sent.bytes);
    }
    return trace;
  }

  // A copy must answer every seed exactly as a session that ran the set-up
  // itself does; a difference means the copy misses some state.
  void CheckCopiesBehaveAlike() {
    for (const auto& [name, input] : SeedInputs()) {
      RecordingView fresh_view(255);
      Restore();
      Session fresh(path_, faults_, &fresh_view);
      fresh.SetUp();
      const Trace expected = TraceOf(fresh, fresh_view, input);
      // The command shapes are well formed: none gets its format text.
      for (const std::string& sent : expected.sent) {
        const std::size_t format = sent.find("Format: ");
        if (name == "all_commands" && format != std::string::npos) {
          Check(false, "a command shape gets " + sent.substr(format));
        }
      }
      RecordingView copy_view(255);
      std::unique_ptr<Session> copy = NewSession(&copy_view);
      Check(TraceOf(*copy, copy_view, input) == expected,
            "a copied session behaves unlike a set-up one");
    }
  }

  std::string path_;
  std::map<std::string, std::string> starting_files_;
  bool first_restore_ = true;
  bool keeps_pending_ = false;
  std::uint64_t newest_serial_ = kSetUpZones;  // of the zones seen this input
  FileFaults faults_;
  FileUse use_{{FuzzZoneIds(1), FuzzZoneIds(2)}};
  std::unique_ptr<Session> set_up_;
};

}  // namespace
}  // namespace tallyhall

// Freed memory is reused after 16 MB instead of 256 MB: inputs allocate
// much, and touching fresh pages would cost more than the input.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace tallyhall;
  static FuzzFolder folder;
  folder.RunInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
