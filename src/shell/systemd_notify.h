// The ServiceNotifier of a server run by systemd (Type=notify): messages go
// to the socket that NOTIFY_SOCKET names, through libsystemd. Without that
// variable (not started by systemd) every call does nothing. Only the server
// program links it; the core and the tests never need libsystemd.
#ifndef TALLYHALL_SHELL_SYSTEMD_NOTIFY_H_
#define TALLYHALL_SHELL_SYSTEMD_NOTIFY_H_

#include <chrono>
#include <string_view>

#include "context/service_notifier.h"

namespace tallyhall {

class SystemdNotifier : public ServiceNotifier {
 public:
  // The longest time between two WATCHDOG=1 messages, whatever the unit's
  // WatchdogSec, so that only a loop stuck for that long misses one.
  static constexpr std::chrono::milliseconds kMaxWatchdogInterval{10'000};

  void Notify(std::string_view state) override;

  // How often the loop must send WATCHDOG=1: half the watchdog time systemd
  // gave (WATCHDOG_USEC, for this process), at most kMaxWatchdogInterval;
  // zero when systemd watches nothing.
  std::chrono::milliseconds WatchdogInterval() const;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_SYSTEMD_NOTIFY_H_
