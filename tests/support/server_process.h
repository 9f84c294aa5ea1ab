// Runs the real server binary in a folder for end-to-end tests, with its
// standard output and error captured in files beside the folder.
#ifndef TALLYHALL_TESTS_SUPPORT_SERVER_PROCESS_H_
#define TALLYHALL_TESTS_SUPPORT_SERVER_PROCESS_H_

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallyhall {

// A UDP port below 32768 that was free a moment ago.
std::uint16_t FreeUdpPort();

// Writes the default settings file into `folder` with Port set to `port`.
void WriteSettingsWithPort(const std::string& folder, std::uint16_t port);

// Whether this process may give a child a network namespace of its own
// (creating one needs CAP_SYS_ADMIN); tried in a short-lived child.
bool CanIsolateNetwork();

class ServerProcess {
 public:
  // `binary` is the server executable; `folder` its program folder.
  ServerProcess(std::string binary, std::string folder);
  // Kills the process if it still runs.
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // What Start gives the server besides its folder; set before Start.
  struct Launch {
    // Its standard output instead of the capture file (Output() then stays
    // empty); the caller keeps it open until Start returns.
    int stdout_fd = -1;
    // Variables added to its environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // JOURNAL_STREAM names its standard output, as under systemd.
    bool journal_stream = false;
  };
  void set_launch(Launch launch) { launch_ = std::move(launch); }

  // Starts the server with `folder` as its working directory.
  void Start();
  // Makes Start run the server in a network namespace of its own with only
  // the loopback interface up, where every port is free whatever else runs
  // on the machine; nothing outside can reach it. Needs CanIsolateNetwork().
  void set_own_network(bool own) { own_network_ = own; }
  // Starts it and waits for the banner; false when it did not appear.
  bool StartAndWaitForBanner(int timeout_ms = 5000);
  // Waits until stdout contains `text`.
  bool WaitForOutput(std::string_view text, int timeout_ms = 3000);
  std::string Output() const;
  std::string Errors() const;
  // Sends `signal` and waits for the exit; returns the exit status, or -1
  // when the process did not exit normally within the time.
  int Stop(int signal);
  // Waits for the exit; the exit status, or -1 on a time-out or a signal.
  int WaitForExit(int timeout_ms = 5000);

 private:
  std::string binary_;
  std::string folder_;
  std::string out_path_;
  std::string err_path_;
  Launch launch_;
  pid_t pid_ = -1;
  bool own_network_ = false;
};

// What a program run by RunProgram did.
struct ProgramRun {
  int status = -1;  // exit status; -1 when it was killed after the time-out
  std::string out;
  std::string err;
};

// Runs `argv` (the program's path first) in `folder` with stdin empty, as
// user and group `uid` when given, captures its standard output and error,
// and kills it when it has not exited within `timeout_ms`.
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::string& folder,
                      std::optional<uid_t> uid = std::nullopt,
                      int timeout_ms = 5000);

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_SUPPORT_SERVER_PROCESS_H_
