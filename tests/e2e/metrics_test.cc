// The metrics endpoint of the real server, read by Prometheus' own tools:
// promtool accepts a scrape taken after real traffic, a Prometheus server
// scraping once a second sees the players logged in, and an address that
// cannot be used leaves the server working without the endpoint.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using std::chrono::steady_clock;

// A TCP port on 127.0.0.1 that was free a moment ago.
std::uint16_t FreeTcpPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

struct HttpAnswer {
  int status = 0;  // 0: no connection or no answer
  std::string body;
};

// One HTTP/1.0 request to 127.0.0.1:`port`, read to the end (two seconds
// at most per read).
HttpAnswer Request(std::uint16_t port, const std::string& method,
                   const std::string& target) {
  HttpAnswer answer;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const timeval timeout{.tv_sec = 2, .tv_usec = 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const std::string request =
      method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  std::string got;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) ==
          0 &&
      ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0) {
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
      got.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  const std::size_t head_end = got.find("\r\n\r\n");
  if (got.starts_with("HTTP/1.") && got.size() > 12 && head_end != got.npos) {
    answer.status = std::atoi(got.c_str() + 9);
    answer.body = got.substr(head_end + 4);
  }
  return answer;
}

// Calls `check` every 100 ms until it holds or `seconds` have passed.
template <typename Check>
bool WaitFor(int seconds, Check check) {
  const auto end = steady_clock::now() + std::chrono::seconds(seconds);
  while (!check()) {
    if (steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

class MetricsEndpointTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    metrics_port_ = FreeTcpPort();
    SetMetricsAddress("127.0.0.1:" + std::to_string(metrics_port_));
  }

  void SetMetricsAddress(const std::string& text) {
    SetSetting("AutoSave=01:00:00\r\n",
               "AutoSave=01:00:00\r\nMetricsAddress=" + text + "\r\n");
  }

  // A zone with two players who typed a few commands, one of them a ?save.
  std::unique_ptr<ZoneClient> ZoneWithTwoPlayers() {
    std::unique_ptr<ZoneClient> zone = StartWithZone();
    EXPECT_EQ(Exchange(*zone, PlayerLogin("Alice", 1, true)).size(), 1u);
    EXPECT_EQ(Exchange(*zone, PlayerLogin("Bob", 2, true)).size(), 1u);
    for (const char* text :
         {"?about", "?save", "?nosuchword", "?login wardenfox", "?save"}) {
      Type(*zone, 1, text);
    }
    return zone;
  }

  // The scrape, once it shows `line`; empty when it did not in 10 s.
  std::string ScrapeShowing(const std::string& line) {
    std::string scrape;
    WaitFor(10, [&] {
      scrape = Request(metrics_port_, "GET", "/metrics").body;
      return scrape.find("\n" + line + "\n") != std::string::npos;
    });
    return scrape.find("\n" + line + "\n") != std::string::npos ? scrape : "";
  }

  std::uint16_t metrics_port_ = 0;
};

TEST_F(MetricsEndpointTest, PromtoolAcceptsAScrapeAfterRealTraffic) {
  std::unique_ptr<ZoneClient> zone = ZoneWithTwoPlayers();
  const std::string scrape =
      ScrapeShowing(R"(tallyhall_saves_total{result="saved"} 1)");
  ASSERT_FALSE(scrape.empty());
  for (const char* line :
       {"tallyhall_players 2", R"(tallyhall_zone_players{server_id="1"} 2)",
        R"(tallyhall_commands_total{word="?save",result="refused"} 1)",
        R"(tallyhall_player_logins_total{result="new"} 2)"}) {
    EXPECT_NE(scrape.find(std::string("\n") + line + "\n"), std::string::npos)
        << line;
  }
  WriteFile(File("scrape.txt"), scrape);
  EXPECT_EQ(std::system(("promtool check metrics < " + File("scrape.txt") +
                         " > " + File("promtool.txt") + " 2>&1")
                            .c_str()),
            0)
      << ReadFile(File("promtool.txt"));
}

TEST_F(MetricsEndpointTest, OnlyGetOfMetricsIsServed) {
  StartServer();
  // The endpoint's thread may still be starting to listen.
  ASSERT_TRUE(WaitFor(10, [&] {
    return Request(metrics_port_, "GET", "/metrics").status != 0;
  }));
  const struct {
    const char* method;
    const char* target;
    int status;
  } cases[] = {{"GET", "/metrics", 200},  {"HEAD", "/metrics", 200},
               {"GET", "/", 404},         {"GET", "/metrics/x", 404},
               {"POST", "/metrics", 405}, {"DELETE", "/metrics", 405}};
  for (const auto& c : cases) {
    EXPECT_EQ(Request(metrics_port_, c.method, c.target).status, c.status)
        << c.method << " " << c.target;
  }
}

// A child process with its output in a file; killed and waited for when
// it goes.
class Child {
 public:
  Child(const std::string& log, std::vector<std::string> args) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int fd = ::creat(log.c_str(), 0644);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ~Child() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitFor(10, [&] { return ::waitpid(pid_, &status, WNOHANG) != 0; })) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

TEST_F(MetricsEndpointTest, PrometheusScrapingOnceASecondSeesThePlayers) {
  std::unique_ptr<ZoneClient> zone = ZoneWithTwoPlayers();
  const std::uint16_t web_port = FreeTcpPort();
  WriteFile(File("prometheus.yml"),
            "global:\n  scrape_interval: 1s\nscrape_configs:\n"
            "  - job_name: tallyhall\n    static_configs:\n"
            "      - targets: ['127.0.0.1:" +
                std::to_string(metrics_port_) + "']\n");
  Child prometheus(
      File("prometheus.log"),
      {"prometheus", "--config.file=" + File("prometheus.yml"),
       "--storage.tsdb.path=" + File("tsdb"),
       "--web.listen-address=127.0.0.1:" + std::to_string(web_port)});
  std::string answer;
  const bool seen = WaitFor(40, [&] {
    answer =
        Request(web_port, "GET", "/api/v1/query?query=tallyhall_players").body;
    return answer.find(R"(,"2"]})") != std::string::npos;
  });
  EXPECT_TRUE(seen) << answer << ReadFile(File("prometheus.log"));
}

TEST_F(MetricsEndpointTest, ServerWorksWithoutAnEndpointItCannotOpen) {
  // The port is taken by a listener of our own.
  const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(metrics_port_);
  ASSERT_EQ(
      ::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(taken, 1), 0);
  const std::string in_use = "127.0.0.1:" + std::to_string(metrics_port_);
  const std::pair<std::string, std::string> cases[] = {
      {in_use, "Metrics endpoint " + in_use +
                   " could not be opened: Address already in use; the "
                   "server goes on without it"},
      {"localhost:9464",
       "Warning: MetricsAddress localhost:9464 is not an IPv4 address and "
       "port such as 127.0.0.1:9464; the metrics endpoint is off"},
  };
  std::string setting = in_use;
  for (const auto& [text, line] : cases) {
    SetSetting("MetricsAddress=" + setting, "MetricsAddress=" + text);
    setting = text;
    std::unique_ptr<ZoneClient> zone = StartWithZone();
    EXPECT_TRUE(server_->WaitForOutput(line)) << Output();
    EXPECT_EQ(Exchange(*zone, PlayerLogin("Alice", 1, true)).size(), 1u);
    EXPECT_EQ(server_->Stop(SIGTERM), 0);
  }
  ::close(taken);
}

}  // namespace
}  // namespace tallyhall
