// The server program: one instance per program folder (the working
// directory), the start-up sequence, then the event loop until a signal.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "net/udp_endpoint.h"
#include "shell/clock.h"
#include "shell/console_view.h"
#include "shell/server_core.h"

namespace {

// Holds an exclusive lock on Tallyhall.lock for the life of the process.
// Returns false when another instance holds it.
bool LockProgramFolder(const std::string& folder) {
  const std::string path = folder + "/Tallyhall.lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  return true;  // fd stays open: the lock lasts until the process ends
}

}  // namespace

int main() {
  using namespace tallyhall;
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  if (error || !LockProgramFolder(folder)) {
    std::fprintf(stderr, "Tallyhall is already running in this folder\n");
    return 1;
  }

  // A closed stdout pipe must not end the server.
  ::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<ConsoleView> view = MakeConsoleView();
  SystemClock clock;
  UdpEndpoint endpoint;
  ServerCore core(folder, endpoint, clock, view.get(), endpoint);
  core.Start();

  const std::int16_t port = core.settings().port;
  Status opened = endpoint.Open(static_cast<std::uint16_t>(port));
  if (!opened.ok()) {
    const std::string line = "Biller port " + std::to_string(port) +
                             " could not be opened: " + opened.message();
    core.WriteLogLine(line);
    view.reset();  // leave the full screen so the reason stays visible
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
  }
  core.WriteBanner();

  endpoint.Run(core, [&] {
    if (auto* screen = dynamic_cast<ScreenView*>(view.get())) {
      screen->Repaint(core.terminal().lines());
    }
  });
  return 0;
}
