// The server under a service manager, end to end: it keeps answering when
// nobody reads its standard output, marks its lines with priorities only
// when the journal reads them, writes a start failure once, and tells
// systemd's notification socket that it is ready, alive and stopping.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class ServiceTest : public E2eTest {
 protected:
  // Starts the server with `launch`, not waiting for anything.
  void Launch(ServerProcess::Launch launch) {
    server_ = std::make_unique<ServerProcess>(TALLYHALL_BINARY, folder_.path());
    server_->set_launch(std::move(launch));
    server_->Start();
  }

  // Every line of the output.
  std::vector<std::string> OutputLines() const {
    std::vector<std::string> lines;
    const std::string output = Output();
    for (std::size_t at = 0; at < output.size();) {
      const std::size_t end = output.find('\n', at);
      lines.push_back(output.substr(at, end - at));
      at = end == std::string::npos ? output.size() : end + 1;
    }
    return lines;
  }
};

// A unix datagram socket in the folder, as systemd's NOTIFY_SOCKET.
class NotifySocket {
 public:
  explicit NotifySocket(std::string path) : path_(std::move(path)) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    bound_ =
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const timeval wait{.tv_sec = 3, .tv_usec = 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  }
  ~NotifySocket() { ::close(fd_); }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  bool bound() const { return bound_; }
  const std::string& path() const { return path_; }
  // The next message, or nullopt after three seconds without one.
  std::optional<std::string> Next() {
    char buffer[1024];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
};

TEST_F(ServiceTest, StdoutThatNobodyReadsDoesNotStopTheServer) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  Launch({.stdout_fd = fds[1]});
  ::close(fds[1]);  // fds[0] stays open and is never read
  auto zone = NewZone();
  for (int tries = 0; tries < 50 && !zone->Connect(); ++tries)
    ::usleep(100'000);
  ASSERT_EQ(zone->LogIn(ZoneLoginFields{}), Hex("00 04 00 00 00 00"));
  ASSERT_EQ(Exchange(*zone, PlayerLogin("Ann", 5, true)).size(), 1u);

  // 4,000 lines of about 470 bytes: past the pipe and the server's buffer.
  const std::string text(400, 't');
  // Chunks small enough for the sockets' receive buffers.
  for (int chunk = 0; chunk < 50; ++chunk) {
    for (int i = 0; i < 80; ++i) {
      zone->SendReliable(PlayerMessage(kPlayerTextType, 5, text));
    }
    EXPECT_EQ(zone->ReceiveUntilQuiet(50).size(), 80u) << chunk;
  }
  EXPECT_EQ(Type(*zone, 5, "?about").size(), 1u);
  auto second = NewZone();
  ZoneLoginFields fields;
  fields.name = "Second";
  EXPECT_EQ(second->LogIn(fields), Hex("00 04 00 00 00 00"));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  ::close(fds[0]);
}

TEST_F(ServiceTest, PrioritiesOnlyWhenJournalStreamNamesStdout) {
  Launch({.journal_stream = true});
  ASSERT_TRUE(server_->WaitForOutput("SysOpPassword still has")) << Output();
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  for (const std::string& line : OutputLines()) {
    const bool warning = line.find(" Warning: ") != std::string::npos;
    EXPECT_TRUE(line.starts_with(warning ? "<4>20" : "<6>20")) << line;
  }

  // A JOURNAL_STREAM of another file (a journal further up the tree).
  Launch({.environment = {{"JOURNAL_STREAM", "1:1"}}});
  ASSERT_TRUE(server_->WaitForOutput("SysOpPassword still has")) << Output();
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  for (const std::string& line : OutputLines()) {
    EXPECT_TRUE(line.starts_with("20")) << line;
  }
}

TEST_F(ServiceTest, StartFailureIsWrittenOnceAsAnError) {
  // Another program holds the port.
  const int taken = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port_);
  ASSERT_EQ(
      ::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  Launch({.journal_stream = true});
  EXPECT_EQ(server_->WaitForExit(), 1);
  ::close(taken);
  const std::string output = Output();
  const std::string failure =
      "Biller port " + std::to_string(port_) + " could not be opened: ";
  const std::size_t at = output.find(failure);
  ASSERT_NE(at, std::string::npos) << output;
  EXPECT_EQ(output.find(failure, at + 1), std::string::npos) << output;
  EXPECT_EQ(output.substr(output.rfind('\n', at) + 1, 3), "<3>");
  EXPECT_EQ(server_->Errors(), "");
}

TEST_F(ServiceTest, SystemdHearsReadyWatchdogAndStopping) {
  NotifySocket notify(File("notify"));
  ASSERT_TRUE(notify.bound());
  // A watchdog of 400 ms: the loop says WATCHDOG=1 every 200 ms.
  Launch({.environment = {{"NOTIFY_SOCKET", notify.path()},
                          {"WATCHDOG_USEC", "400000"}}});
  EXPECT_EQ(notify.Next(), "READY=1\nSTATUS=Zones: 0, players: 0");
  // Ready means the port is open and the start lines are out.
  EXPECT_NE(Output().find("SysOpPassword still has"), std::string::npos);
  EXPECT_TRUE(NewZone()->Connect());
  EXPECT_EQ(notify.Next(), "WATCHDOG=1");
  EXPECT_EQ(notify.Next(), "WATCHDOG=1");

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  std::vector<std::string> last;
  while (std::optional<std::string> message = notify.Next()) {
    last.push_back(*message);
    if (*message == "STOPPING=1") break;
  }
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last.back(), "STOPPING=1");
  EXPECT_TRUE(std::all_of(last.begin(), last.end() - 1,
                          [](const auto& m) { return m == "WATCHDOG=1"; }));
}

}  // namespace
}  // namespace tallyhall
