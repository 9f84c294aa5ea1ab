// ServerCore owns everything the server keeps between events: settings,
// terminal, zone table, queued greetings and the time of the last periodic
// save. Its entry points are the events of the loop: a datagram, the greeting
// timer and the 30-second save tick.
#ifndef TALLYHALL_SHELL_SERVER_CORE_H_
#define TALLYHALL_SHELL_SERVER_CORE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/address.h"
#include "net/transport.h"
#include "shell/clock.h"
#include "shell/file_io.h"
#include "shell/settings.h"
#include "shell/terminal.h"
#include "zones/zone_table.h"

namespace tallyhall {

inline constexpr std::string_view kProgramTitle = "Tallyhall";
inline constexpr int kMajorVersion = 1;
// Greetings leave this long after the last queued login; the periodic save
// is looked at this often.
inline constexpr int kTickSeconds = 30;

// The loop's timers, as the core sees them.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Arms the greeting timer to fire kTickSeconds from now, cancelling a
  // pending expiry.
  virtual void RestartGreetingTimer() = 0;
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
  // settings file created when missing and the seven values read.
  void Start();
  // The banner that follows a successful opening of the port.
  void WriteBanner();
  // One datagram of at least one byte from `sender`.
  void OnDatagram(const Address& sender, std::string_view datagram);
  // The greeting timer fired: every queued greeting leaves, oldest first.
  void OnGreetingTimer();
  // The save tick: saves every zone when the save period has passed or the
  // day has just begun.
  void OnSaveTick();
  // Shutdown: removes every zone in table order (Disconnect, save).
  void Shutdown();

  // Queues a greeting for a player of zone `zone_id` and restarts the
  // greeting timer.
  void QueueGreeting(std::int32_t zone_id, std::int32_t player_id,
                     std::string text);

  // The path of a file in the program folder.
  std::string FilePath(std::string_view name) const;

  const std::string& folder() const { return folder_; }
  Transport& transport() { return transport_; }
  const Clock& clock() const { return clock_; }
  Terminal& terminal() { return terminal_; }
  SettingsFile& settings_file() { return settings_file_; }
  Settings& settings() { return settings_; }
  ZoneTable& zones() { return zones_; }
  const std::vector<QueuedGreeting>& delayed_responses() const {
    return delayed_responses_;
  }
  int last_save_time() const { return last_save_time_; }
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
  Terminal terminal_;
  AtomicWriteHooks file_hooks_;  // before settings_file_, which points to it
  SettingsFile settings_file_;
  Settings settings_;
  ZoneTable zones_;
  std::vector<QueuedGreeting> delayed_responses_;  // DelayedResponses
  int last_save_time_ = 0;  // LastSaveTime, seconds since midnight
  std::uint64_t zone_serials_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_SERVER_CORE_H_
