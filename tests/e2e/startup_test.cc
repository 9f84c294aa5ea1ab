// The server program end to end: settings file, banner, single instance,
// the datagram size limit and the exit on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>

#include "base/settings.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using StartupTest = E2eTest;

// The default settings name port 4000, which another program may be using:
// the server runs where port 4000 is certainly free.
TEST_F(StartupTest, FirstStartCreatesDefaultSettingsAndNamesPortInBanner) {
  if (!CanIsolateNetwork()) {
    GTEST_SKIP() << "no network namespace of its own can be made here (it "
                    "needs CAP_SYS_ADMIN), and port 4000 may be in use";
  }
  TempDir empty;
  ServerProcess server(TALLYHALL_BINARY, empty.path());
  server.set_own_network(true);
  ASSERT_TRUE(server.StartAndWaitForBanner()) << server.Output();
  EXPECT_EQ(ReadFile(empty.File("Tallyhall.ini")), kDefaultSettingsText);
  const std::string output = server.Output();
  const auto title = output.find(" Tallyhall 1\n");
  const auto banner = output.find(
      " Biller port 4000 is open. Waiting for Game Server(s) connection\n");
  ASSERT_NE(title, std::string::npos) << output;
  ASSERT_NE(banner, std::string::npos) << output;
  EXPECT_LT(title, banner);
  // Each published default password is named right after the banner, one
  // line each, in this order.
  ASSERT_TRUE(server.WaitForOutput("SysOpPassword still has")) << output;
  std::string rest = server.Output().substr(banner);
  for (const char* key : {"BillingPassword", "MessageOpPassword",
                          "AccountOpPassword", "SysOpPassword"}) {
    rest = rest.substr(rest.find('\n') + 1);
    // Each line is "yyyy-mm-dd hh:mm:ss " + its text.
    EXPECT_EQ(rest.substr(20, rest.find('\n') - 20),
              std::string("Warning: ") + key +
                  " still has its default value; change it in Tallyhall.ini");
  }
  EXPECT_EQ(server.Stop(SIGTERM), 0);
}

TEST_F(StartupTest, BannerNamesConfiguredPortAndSigtermExitsWithZero) {
  StartServer();
  EXPECT_NE(Output().find("Biller port " + std::to_string(port_) + " is open"),
            std::string::npos);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(StartupTest, SigintAndSighupAlsoShutDownCleanly) {
  for (int signal : {SIGINT, SIGHUP}) {
    StartServer();
    EXPECT_EQ(server_->Stop(signal), 0) << signal;
  }
}

TEST_F(StartupTest, SecondInstanceExitsNonZeroWhileFirstKeepsServing) {
  StartServer();
  ServerProcess second(TALLYHALL_BINARY, folder_.path());
  second.Start();
  EXPECT_NE(second.WaitForExit(), 0);
  EXPECT_EQ(second.Output(), "");
  EXPECT_NE(second.Errors(), "");
  auto zone = NewZone();
  EXPECT_TRUE(zone->Connect());
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(StartupTest, PortInUseIsReportedAndExitsNonZero) {
  StartServer();
  TempDir other;
  WriteSettingsWithPort(other.path(), port_);
  ServerProcess second(TALLYHALL_BINARY, other.path());
  second.Start();
  EXPECT_NE(second.WaitForExit(), 0);
  EXPECT_NE(second.Output().find("Biller port " + std::to_string(port_) +
                                 " could not be opened"),
            std::string::npos)
      << second.Output();
  EXPECT_EQ(second.Output().find("is open"), std::string::npos);
}

// The kernel would pick a random port while the banner named port 0.
TEST_F(StartupTest, PortThatReadsAsZeroIsReportedAndExitsNonZero) {
  for (const char* port_line :
       {"Port=70000\r\n", "Port=abc\r\n", "Port=0\r\n", "Port=\r\n", ""}) {
    std::string text(kDefaultSettingsText);
    WriteFile(File("Tallyhall.ini"),
              text.replace(text.find("Port=4000\r\n"), 11, port_line));
    ServerProcess server(TALLYHALL_BINARY, folder_.path());
    server.Start();
    EXPECT_NE(server.WaitForExit(), 0) << port_line;
    EXPECT_NE(server.Output().find("Biller port 0 could not be opened: "),
              std::string::npos)
        << server.Output();
    EXPECT_EQ(server.Output().find("is open"), std::string::npos);
  }
}

TEST_F(StartupTest, SettingsFileThatCannotBeCreatedEndsTheStart) {
  TempDir empty;
  // A folder where the temporary file goes fails the write, even for root.
  std::filesystem::create_directory(empty.File("Tallyhall.ini.tmp"));
  ServerProcess server(TALLYHALL_BINARY, empty.path());
  server.Start();
  EXPECT_NE(server.WaitForExit(), 0);
  EXPECT_NE(
      server.Output().find(" Settings file could not be created or read: "),
      std::string::npos)
      << server.Output();
  EXPECT_EQ(server.Output().find("Biller port"), std::string::npos);
  EXPECT_FALSE(FileExists(empty.File("Tallyhall.ini")));
}

TEST_F(StartupTest, DatagramOf520BytesIsHandledAnd521IsDropped) {
  StartServer();
  auto zone = NewZone();
  // From an unknown sender, a packet that is not a connection request is
  // answered with Disconnect: proof that it reached the interpreter.
  std::string datagram = std::string("\x00\x05", 2) + std::string(518, 'x');
  zone->SendRaw(datagram);
  EXPECT_EQ(zone->Receive(), std::string("\x00\x07", 2));
  zone->SendRaw(datagram + "x");
  EXPECT_EQ(zone->Receive(500), std::nullopt);
  zone->SendRaw(datagram);
  EXPECT_EQ(zone->Receive(), std::string("\x00\x07", 2));
}

TEST_F(StartupTest, LogTerminalOnLogsBannerButNotTitle) {
  SetSetting("LogTerminal=0", "LogTerminal=1");
  StartServer();
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  const std::string log = ReadFile(File("Terminal.log"));
  EXPECT_NE(log.find(" Biller port " + std::to_string(port_) +
                     " is open. Waiting for Game Server(s) connection\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Tallyhall 1"), std::string::npos);
}

}  // namespace
}  // namespace tallyhall
