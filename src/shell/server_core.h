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
#include "net/transport.h"
#include "shell/counters.h"
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
};

// One queued greeting. The zone is remembered by position and by serial, so
// a greeting for a zone that left is dropped, never sent to its successor.
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
  // value of the default settings text.
  void WriteBanner();
  // One datagram of at least one byte from `sender`.
  void OnDatagram(const Address& sender, std::string_view datagram);
  // A datagram of `size` bytes too long to be handed on: only counted.
  void OnDatagramTooLong(std::size_t size);
  // The greeting timer fired: every queued greeting leaves, oldest first.
  void OnGreetingTimer();
  // The save tick: saves every zone when the save period has passed or the
  // day has just begun; otherwise saves again the zones whose last save
  // failed.
  void OnSaveTick();
  // Shutdown: removes every zone in table order (Disconnect, save). Returns
  // false when a zone's databases were not saved, after a line naming those
  // zones.
  bool Shutdown();

  // Queues a greeting for a player of zone `zone_id` and arms the greeting
  // timer: the queue leaves kTickSeconds after the last queued greeting or
  // kGreetingMaxWaitSeconds after the oldest, whichever comes first.
  void QueueGreeting(std::int32_t zone_id, std::int32_t player_id,
                     std::string text);

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
  ZoneTable& zones() { return zones_; }
  const std::vector<QueuedGreeting>& delayed_responses() const {
    return delayed_responses_;
  }
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

  // Short for terminal().WriteLogLine(text).
  void WriteLogLine(std::string_view text) { terminal_.WriteLogLine(text); }

 private:
  std::string folder_;
  Transport& transport_;
  const Clock& clock_;
  Scheduler& scheduler_;
  Counters counters_;
  CountingTransport counting_transport_{transport_, counters_};
  Terminal terminal_;
  AtomicWriteHooks file_hooks_;  // before settings_file_, which points to it
  SettingsFile settings_file_;
  Settings settings_;
  ZoneTable zones_;
  std::vector<QueuedGreeting> delayed_responses_;  // DelayedResponses
  int last_save_time_ = 0;               // LastSaveTime, seconds since midnight
  std::int64_t oldest_greeting_ms_ = 0;  // steady time of the oldest queued
  std::uint64_t zone_serials_ = 0;
  std::set<std::string> full_event_files_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_SERVER_CORE_H_
