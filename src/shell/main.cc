// The server program: one instance per program folder (the working
// directory), the start-up sequence, the event loop until a signal, then
// the shutdown, whose exit status tells whether every zone was saved.
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/file_io.h"
#include "context/server_core.h"
#include "net/udp_endpoint.h"
#include "shell/command_line.h"
#include "shell/console_view.h"
#include "shell/metrics_endpoint.h"
#include "shell/server_events.h"
#include "shell/systemd_notify.h"

namespace {

// The exit status of a shutdown that could not save every zone.
constexpr int kExitNotSaved = 2;

// Writes `line` to the terminal, once: a journal reads stdout and stderr
// alike. The full-screen view leaves its last screen, this line included,
// on the terminal when it closes. Returns the exit status of a failed start.
int StartFailed(tallyhall::ServerCore& core, const std::string& line) {
  core.WriteLogLine(line, tallyhall::LogPriority::kError);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tallyhall;
  const StartRequest request = ReadCommandLine(argc, argv);
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  if (request.mode != StartMode::kServe) {
    return RunOption(request, error ? "." : folder, stdout, stderr);
  }
  if (error) {
    std::fprintf(stderr, "Tallyhall: no program folder: %s\n",
                 error.message().c_str());
    return 1;
  }
  bool held_by_another = false;
  const Status locked = LockProgramFolder(folder, held_by_another);
  if (held_by_another) {
    std::fprintf(stderr, "Tallyhall is already running in this folder\n");
    return 1;
  }
  if (!locked.ok()) {
    std::fprintf(stderr, "Tallyhall: cannot lock %s\n",
                 locked.message().c_str());
    return 1;
  }

  // A closed stdout pipe must not end the server.
  ::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<ConsoleView> view = MakeConsoleView();
  SystemClock clock;
  UdpEndpoint endpoint;
  SystemdNotifier notifier;
  ServerCore core(folder, endpoint, clock, view.get(), endpoint);
  core.set_notifier(&notifier);
  Status started = Start(core);
  if (!started.ok()) {
    return StartFailed(core, "Settings file could not be created or read: " +
                                 started.message());
  }

  // Saves replace files there: better to refuse now than to lose every
  // change at the first save.
  Status writable = CheckFolderWritable(folder);
  if (!writable.ok()) {
    return StartFailed(core,
                       "The program folder cannot be written, so no save "
                       "could succeed: " +
                           writable.message());
  }

  const std::uint16_t port = core.settings().port;
  // Port 0 would let the kernel pick a random port that no zone knows.
  Status opened = port == 0 ? Status::Error(
                                  "the Port setting is missing, 0, not a "
                                  "number or out of range")
                            : endpoint.Open(port);
  if (!opened.ok()) {
    return StartFailed(core, "Biller port " + std::to_string(port) +
                                 " could not be opened: " + opened.message());
  }
  WriteBanner(core);
  NotifyReady(core);
  endpoint.SetWatchdog(notifier.WatchdogInterval(),
                       [&] { notifier.Notify("WATCHDOG=1"); });
  std::unique_ptr<MetricsEndpoint> metrics = OpenMetricsEndpoint(core);
  if (metrics) endpoint.EverySecond([&] { metrics->Publish(core); });

  endpoint.Run(core, [&] {
    if (auto* screen = dynamic_cast<ScreenView*>(view.get())) {
      screen->Repaint(core.terminal().lines());
    }
  });
  // Data that could not be saved must not look like a clean stop to a
  // service manager.
  return Shutdown(core) ? 0 : kExitNotSaved;
}
