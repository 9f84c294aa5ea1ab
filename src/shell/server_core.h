// ServerCore owns everything the server keeps between events: settings,
// terminal, zone table, queued greetings and the time of the last periodic
// save. Its entry points are the events of the loop: a datagram, the greeting
// timer and the 30-second save tick.
//
// It is also the one context that every handler receives, as the server
// struct is in event-loop servers: zone login, the player handlers, the
// commands and the send operations of net/messages take a ServerCore& and
// reach the zone table, the settings, the terminal, the transport and the
// clock through it. This header is therefore the one header above their
// floor that they include; nothing else of shell/ is included below it.
#ifndef TALLYHALL_SHELL_SERVER_CORE_H_
#define TALLYHALL_SHELL_SERVER_CORE_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/address.h"
#include "base/clock.h"
#include "base/file_io.h"
#include "base/settings.h"
#include "base/terminal.h"
#include "db/pending_databases.h"
#include "net/stranger_lines.h"
#include "net/transport.h"
#include "shell/counters.h"
#include "shell/greeting_queue.h"
#include "shell/service_notifier.h"
#include "zones/zone_table.h"

namespace tallyhall {

inline constexpr std::string_view kProgramTitle = "Tallyhall";
inline constexpr int kMajorVersion = 1;
// Greetings leave this long after the last queued login; the periodic save
// is looked at this often.
inline constexpr int kTickSeconds = 30;
// ... but never wait longer than this after the oldest queued greeting, so
// that steady logins cannot hold them back for ever.
inline constexpr int kGreetingMaxWaitSeconds = 60;

// The loop's timers, as the core sees them.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Arms the greeting timer to fire `delay_ms` milliseconds from now (0:
  // as soon as the loop can), cancelling a pending expiry.
  virtual void ArmGreetingTimer(std::int64_t delay_ms) = 0;
  // Work waits for the loop's spare turns (ServerCore::DoPendingWork).
  virtual void WantPendingWork() {}
};

struct CommandContext;

// A command whose answer takes longer than a datagram may hold the loop:
// its work is done in steps between datagrams, over what it copied when the
// command arrived, and its answer is sent when the work is complete.
class LongCommand {
 public:
  virtual ~LongCommand() = default;
  // Does about `units` records' worth of work; true once the answer is
  // ready.
  virtual bool Step(std::size_t units) = 0;
  // Sends the answer to the caller, who is still present.
  virtual void Answer(CommandContext& ctx) = 0;
};

// A copy of one queued greeting. The zone is remembered by position and by
// serial, so a greeting for a zone that left is dropped, never sent to its
// successor.
struct QueuedGreeting {
  std::int32_t zone_id = 0;
  std::uint64_t zone_serial = 0;
  std::int32_t player_id = 0;
  std::string text;
};

class ServerCore {
 public:
  // `folder` is the program folder, where every file lives. The references
  // must outlive the core; `view` may be null.
  ServerCore(std::string folder, Transport& transport, const Clock& clock,
             ConsoleView* view, Scheduler& scheduler);

  ServerCore(const ServerCore&) = delete;
  ServerCore& operator=(const ServerCore&) = delete;

  // Start-up up to opening the port: the title line, LastSaveTime, the
  // settings file created when missing and the seven values read. Returns
  // the error when the settings file cannot be created or read; the start
  // must not go on then.
  Status Start();
  // The banner that follows a successful opening of the port, then one
  // warning line for each password (BillingPassword, MessageOpPassword,
  // AccountOpPassword, SysOpPassword, in that order) that still has the
  // value of the default settings text, then the setting warnings.
  void WriteBanner();
  // One datagram of at least one byte from `sender`.
  void OnDatagram(const Address& sender, std::string_view datagram);
  // A datagram of `size` bytes too long to be handed on: only counted.
  void OnDatagramTooLong(std::size_t size);
  // The greeting timer fired: every queued greeting leaves, oldest first.
  // Short for StartGreetingRelease, then SendDueGreetings until none is due.
  void OnGreetingTimer();
  // The greeting timer fired: every greeting queued so far becomes due.
  // Greetings queued after this wait for the next expiry.
  void StartGreetingRelease();
  // Sends at most `limit` due greetings, oldest first; returns true while
  // due greetings remain, so that the loop can answer datagrams between
  // slices of a long queue.
  bool SendDueGreetings(std::size_t limit);
  // The loop's spare turns: sends due greetings, then works on the oldest
  // long command and answers it when it is complete, about `units` at a
  // time; returns true while work remains.
  bool DoPendingWork(std::size_t units);
  // Queues `work` for the caller of `ctx`; it is answered after every long
  // command queued before it.
  void QueueLongCommand(const CommandContext& ctx,
                        std::unique_ptr<LongCommand> work);
  bool long_commands_pending() const { return !long_commands_.empty(); }
  // The player leaves `zone`: his queued greeting is dropped (it would
  // reach whoever takes his PlayerID next) and so are the answers of his
  // long commands.
  void ForgetPlayer(const ZoneEntry& zone, const ZonePlayer& player);
  // The save tick: first the lines saying how many lines from senders that
  // are not zones were left out since the last tick; then writes the pending
  // databases and saves every zone when the save period has passed or the
  // day has just begun, otherwise saves again the zones whose last save
  // failed. Then tells the service manager StatusText().
  void OnSaveTick();
  // Shutdown: tells the service manager STOPPING=1, writes the pending
  // databases, then removes every zone in table order (Disconnect, save).
  // Returns false when any database is left unwritten, after a line naming
  // their files.
  bool Shutdown();

  // Flushes the terminal, then tells the service manager that the server
  // serves (READY=1), with StatusText(); called once the port is open and
  // the start lines written.
  void NotifyReady();
  // "Zones: Z, players: P": the zones connected and the players in them.
  std::string StatusText() const;
  // Where READY, STATUS and STOPPING go; null (the start value) says
  // nothing. Must outlive the core.
  void set_notifier(ServiceNotifier* notifier) { notifier_ = notifier; }

  // Queues a greeting for a player of zone `zone_id` and arms the greeting
  // timer: the queue leaves kTickSeconds after the last queued greeting or
  // kGreetingMaxWaitSeconds after the oldest waiting one, whichever comes
  // first. Returns the ticket that CancelGreeting takes.
  std::uint64_t QueueGreeting(std::int32_t zone_id, std::int32_t player_id,
                              std::string_view text);

  // Counts a save of `zone` that began at steady time `started_ms`; a good
  // one becomes the zone's last save.
  void CountSave(ZoneEntry& zone, bool saved, std::int64_t started_ms);

  // The path of a file in the program folder.
  std::string FilePath(std::string_view name) const;

  const std::string& folder() const { return folder_; }
  // Sends through the loop's transport and counts what leaves.
  Transport& transport() { return counting_transport_; }
  const Clock& clock() const { return clock_; }
  Terminal& terminal() { return terminal_; }
  Counters& counters() { return counters_; }
  SettingsFile& settings_file() { return settings_file_; }
  Settings& settings() { return settings_; }
  // One line for each setting read at start whose text did not read
  // cleanly (SettingsReader); Start() fills it, WriteBanner() writes it.
  // Code that reads a setting of its own at start appends its warning here.
  std::vector<std::string>& setting_warnings() { return setting_warnings_; }
  ZoneTable& zones() { return zones_; }
  // The limit on lines caused by senders that are not logged-in zones.
  StrangerLines& stranger_lines() { return stranger_lines_; }
  // The databases of zones that left unsaved; read-only outside the save
  // and login paths (a fuzzer checks that none is ever lost).
  PendingDatabases& pending() { return pending_; }
  const PendingDatabases& pending() const { return pending_; }
  // Writes the pending databases, if any; true when none is left.
  bool WritePendingDatabases() {
    return pending_.empty() ||
           pending_.WriteAll(folder_, terminal_, &file_hooks_);
  }
  // The greetings still queued, oldest first (a copy, for tests).
  std::vector<QueuedGreeting> delayed_responses() const;
  const GreetingQueue& greeting_queue() const { return greetings_; }
  int last_save_time() const { return last_save_time_; }
  // Remembers that the event record file `name` is full; true the first
  // time in this run, so that it is reported once.
  bool MarkEventFileFull(const std::string& name) {
    return full_event_files_.insert(name).second;
  }
  std::uint64_t NextZoneSerial() { return ++zone_serials_; }
  // How the settings file and the databases are replaced; tests and the
  // fuzzer set these, the server keeps the defaults.
  const AtomicWriteHooks& file_hooks() const { return file_hooks_; }
  void set_file_hooks(AtomicWriteHooks hooks) {
    file_hooks_ = std::move(hooks);
  }

  // Short for terminal().WriteLogLine(text) and its priority overload.
  void WriteLogLine(std::string_view text) { terminal_.WriteLogLine(text); }
  void WriteLogLine(std::string_view text, LogPriority priority) {
    terminal_.WriteLogLine(text, priority);
  }

 private:
  std::string folder_;
  Transport& transport_;
  const Clock& clock_;
  Scheduler& scheduler_;
  ServiceNotifier* notifier_ = nullptr;
  Counters counters_;
  CountingTransport counting_transport_{transport_, counters_};
  Terminal terminal_;
  AtomicWriteHooks file_hooks_;  // before settings_file_, which points to it
  SettingsFile settings_file_;
  Settings settings_;
  std::vector<std::string> setting_warnings_;
  ZoneTable zones_;
  StrangerLines stranger_lines_;
  PendingDatabases pending_;
  GreetingQueue greetings_;  // DelayedResponses
  int last_save_time_ = 0;   // LastSaveTime, seconds since midnight
  // Steady time of the oldest greeting that waits for the next expiry.
  std::int64_t oldest_greeting_ms_ = 0;
  std::uint64_t zone_serials_ = 0;
  std::set<std::string> full_event_files_;
  // Long commands in the order they arrived; the first one is worked on.
  struct PendingCommand {
    std::uint64_t zone_serial = 0;
    std::int32_t player_id = 0;
    std::string text;
    std::unique_ptr<LongCommand> work;
  };
  std::deque<PendingCommand> long_commands_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_SERVER_CORE_H_
