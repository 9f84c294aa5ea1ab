// sd_notify and sd_watchdog_enabled behind the ServiceNotifier interface.
#include "shell/systemd_notify.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tallyhall {

void SystemdNotifier::Notify(std::string_view state) {
  const std::string text(state);
  // The result only tells whether anyone listens; nothing depends on it.
  static_cast<void>(sd_notify(/*unset_environment=*/0, text.c_str()));
}

std::chrono::milliseconds SystemdNotifier::WatchdogInterval() const {
  std::uint64_t usec = 0;
  if (sd_watchdog_enabled(/*unset_environment=*/0, &usec) <= 0 || usec == 0) {
    return std::chrono::milliseconds(0);
  }
  const auto half = std::chrono::milliseconds(usec / 2000);
  return std::clamp(half, std::chrono::milliseconds(1), kMaxWatchdogInterval);
}

}  // namespace tallyhall
