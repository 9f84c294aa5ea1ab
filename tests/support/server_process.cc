// Starting, watching and stopping the server binary for end-to-end tests.
#include "support/server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <stdexcept>
#include <thread>

#include "base/settings.h"
#include "support/fakes.h"

namespace tallyhall {

std::uint16_t FreeUdpPort() {
  // Below 32768, where the kernel's ports for outgoing sockets begin.
  static std::mt19937 random(static_cast<unsigned>(::getpid()) * 7919u +
                             static_cast<unsigned>(::time(nullptr)));
  for (;;) {
    const auto port = static_cast<std::uint16_t>(20000 + random() % 12000);
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    const bool free =
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (free) return port;
  }
}

void WriteSettingsWithPort(const std::string& folder, std::uint16_t port) {
  std::string text(kDefaultSettingsText);
  const std::string from = "Port=4000";
  text.replace(text.find(from), from.size(), "Port=" + std::to_string(port));
  WriteFile(folder + "/Tallyhall.ini", text);
}

ServerProcess::ServerProcess(std::string binary, std::string folder)
    : binary_(std::move(binary)),
      folder_(std::move(folder)),
      out_path_(folder_ + ".stdout"),
      err_path_(folder_ + ".stderr") {}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ::unlink(out_path_.c_str());
  ::unlink(err_path_.c_str());
}

namespace {

// In a child: moves it into a new network namespace and brings its loopback
// interface up. False when either fails.
bool EnterOwnNetwork() {
  if (::unshare(CLONE_NEWNET) != 0) return false;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  ::close(fd);
  return up;
}

}  // namespace

bool CanIsolateNetwork() {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) ::_exit(EnterOwnNetwork() ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ServerProcess::Start() {
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int out =
        launch_.stdout_fd >= 0
            ? launch_.stdout_fd
            : ::open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const auto& [name, value] : launch_.environment) {
      ::setenv(name.c_str(), value.c_str(), 1);
    }
    struct stat info {};
    if (launch_.journal_stream && ::fstat(1, &info) == 0) {
      const std::string stream =
          std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
      ::setenv("JOURNAL_STREAM", stream.c_str(), 1);
    }
    if (::chdir(folder_.c_str()) != 0) ::_exit(126);
    if (own_network_ && !EnterOwnNetwork()) ::_exit(125);
    ::execl(binary_.c_str(), binary_.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
}

bool ServerProcess::StartAndWaitForBanner(int timeout_ms) {
  Start();
  return WaitForOutput(" is open. Waiting for Game Server(s) connection",
                       timeout_ms);
}

bool ServerProcess::WaitForOutput(std::string_view text, int timeout_ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Output().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Output().find(text) != std::string::npos;
}

std::string ServerProcess::Output() const { return ReadFile(out_path_); }

std::string ServerProcess::Errors() const { return ReadFile(err_path_); }

int ServerProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  return WaitForExit();
}

int ServerProcess::WaitForExit(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::string& folder, std::optional<uid_t> uid,
                      int timeout_ms) {
  TempDir scratch;
  const std::string out_path = scratch.File("out");
  const std::string err_path = scratch.File("err");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT, 0644);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (uid && (::setgid(*uid) != 0 || ::setuid(*uid) != 0)) ::_exit(125);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
      args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ProgramRun run;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (status != -1 && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = ReadFile(out_path);
  run.err = ReadFile(err_path);
  return run;
}

}  // namespace tallyhall
