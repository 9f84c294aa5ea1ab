// ServerCore owns everything the server keeps between events: settings,
// terminal, zone table, queued greetings, long commands, counters and the
// time of the last periodic save.
//
// It is the one context that every handler receives, as the server struct is
// in event-loop servers: zone login, the player handlers, the commands and
// the send operations of net/messages take a ServerCore& and reach the zone
// table, the settings, the terminal, the transport and the clock through it.
// It therefore sits below all of them and calls none of them: the events of
// the loop that interpret datagrams and send messages (start-up, a datagram,
// the timers, shutdown) are free functions in shell/server_events.h.
#ifndef TALLYHALL_CONTEXT_SERVER_CORE_H_
#define TALLYHALL_CONTEXT_SERVER_CORE_H_

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
#include "context/counters.h"
#include "context/greeting_queue.h"
#include "context/service_notifier.h"
#include "context/stranger_lines.h"
#include "context/transport.h"
#include "db/pending_databases.h"
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

  // The loop's greeting timer fired: every greeting queued so far becomes
  // due. Greetings queued after this wait for the next expiry.
  void StartGreetingRelease() { greetings_.StartRelease(); }
  // Queues `work` for `player_id` of `zone`, who typed `text`; it is
  // answered after every long command queued before it.
  void QueueLongCommand(const ZoneEntry& zone, std::int32_t player_id,
                        std::string_view text,
                        std::unique_ptr<LongCommand> work);
  bool long_commands_pending() const { return !long_commands_.empty(); }
  // A queued long command: the caller is remembered by zone serial and
  // PlayerID, so an answer never reaches a successor.
  struct PendingCommand {
    std::uint64_t zone_serial = 0;
    std::int32_t player_id = 0;
    std::string text;
    std::unique_ptr<LongCommand> work;
  };
  // Long commands in the order they arrived; the first one is worked on.
  std::deque<PendingCommand>& long_commands() { return long_commands_; }
  // The player leaves `zone`: his queued greeting is dropped (it would
  // reach whoever takes his PlayerID next) and so are the answers of his
  // long commands.
  void ForgetPlayer(const ZoneEntry& zone, const ZonePlayer& player);

  // "Zones: Z, players: P": the zones connected and the players in them.
  std::string StatusText() const;
  // Where READY, STATUS and STOPPING go; null (the start value) says
  // nothing. Must outlive the core.
  void set_notifier(ServiceNotifier* notifier) { notifier_ = notifier; }
  // Tells the service manager `state`, when there is one.
  void Notify(std::string_view state) {
    if (notifier_ != nullptr) notifier_->Notify(state);
  }

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
  GreetingQueue& greeting_queue() { return greetings_; }
  int last_save_time() const { return last_save_time_; }
  void set_last_save_time(int seconds) { last_save_time_ = seconds; }
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
  std::deque<PendingCommand> long_commands_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_SERVER_CORE_H_
