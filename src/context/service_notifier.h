// How the server tells its service manager how it is: ready, what it holds,
// alive, stopping. The core speaks through this interface only, so tests
// can record what it says; shell/systemd_notify.h is the real one.
#ifndef TALLYHALL_CONTEXT_SERVICE_NOTIFIER_H_
#define TALLYHALL_CONTEXT_SERVICE_NOTIFIER_H_

#include <string_view>

namespace tallyhall {

class ServiceNotifier {
 public:
  virtual ~ServiceNotifier() = default;
  // Sends `state`: newline-separated assignments such as "READY=1",
  // "STATUS=...", "WATCHDOG=1" or "STOPPING=1". Failures are ignored: the
  // service manager's view of the server must never stop it.
  virtual void Notify(std::string_view state) = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_SERVICE_NOTIFIER_H_
