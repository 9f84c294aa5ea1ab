// The server's options and the start-up checks end to end: what each option
// prints and leaves in the folder, ports as written, the setting warnings
// after the banner, and a program folder that cannot be written.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/settings.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

ProgramRun RunServer(const std::string& folder, std::vector<std::string> args,
                     std::optional<uid_t> uid = std::nullopt) {
  args.insert(args.begin(), TALLYHALL_BINARY);
  return RunProgram(args, folder, uid);
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(CommandLineTest, OptionsExitWithTheirStatusAndWriteOnlyInitsFile) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out_start;
    std::string err_start;
    std::vector<std::string> files;  // in the folder afterwards
  };
  const Case cases[] = {
      {{"--help"},
       0,
       "Usage: tallyhall [--help | --version | --init]\n",
       "",
       {}},
      {{"--version"}, 0, "tallyhall 1.0.0\n", "", {}},
      {{"--init"}, 0, "Wrote ", "", {"Tallyhall.ini"}},
      {{"--port"},
       2,
       "",
       "tallyhall: unexpected argument: --port\nUsage: tallyhall [",
       {}},
      {{"--version", "--init"},
       2,
       "",
       "tallyhall: unexpected argument: --init\n",
       {}},
  };
  for (const Case& c : cases) {
    TempDir folder;
    const ProgramRun run = RunServer(folder.path(), c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0];
    EXPECT_TRUE(run.out.starts_with(c.out_start)) << run.out;
    EXPECT_TRUE(run.err.starts_with(c.err_start)) << run.err;
    EXPECT_EQ(c.status == 0 ? run.err : run.out, "");
    EXPECT_EQ(FolderNames(folder.path()), c.files) << c.args[0];
  }
}

TEST(CommandLineTest, InitWritesTheFirstStartTextOnceForItsOwnerOnly) {
  TempDir folder;
  ASSERT_EQ(RunServer(folder.path(), {"--init"}).status, 0);
  const std::string path = folder.File("Tallyhall.ini");
  EXPECT_EQ(ReadFile(path), kDefaultSettingsText);
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  WriteFile(path, "[Login]\r\nPort=5\r\n");
  const ProgramRun again = RunServer(folder.path(), {"--init"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err,
            "tallyhall: " + path + " already exists; left unchanged\n");
  EXPECT_EQ(ReadFile(path), "[Login]\r\nPort=5\r\n");
}

// A UDP port above 32767 that was free a moment ago.
std::uint16_t FreeHighUdpPort() {
  for (std::uint16_t port = 40000;;
       port = static_cast<std::uint16_t>(port + 7)) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool free =
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (free) return port;
  }
}

using PortTest = E2eTest;

// Older files wrote ports above 32767 as negative numbers; both spellings
// open the port, and the banner names the port opened.
TEST_F(PortTest, PortAbove32767OpensAsWrittenOrAsItsNegativeSpelling) {
  for (bool negative : {false, true}) {
    const std::uint16_t high = FreeHighUdpPort();
    WriteSettingsWithPort(folder_.path(), port_);
    SetSetting("Port=" + std::to_string(port_),
               "Port=" + std::to_string(negative ? high - 65536 : high));
    port_ = high;
    StartServer();
    EXPECT_NE(Output().find("Biller port " + std::to_string(high) +
                            " is open. Waiting"),
              std::string::npos)
        << Output();
    EXPECT_TRUE(NewZone()->Connect());
    if (negative) {
      // The setting warnings follow the password warnings.
      const std::string warning = "Warning: Port \"" +
                                  std::to_string(high - 65536) +
                                  "\" in [Login] is negative";
      ASSERT_TRUE(server_->WaitForOutput(warning)) << Output();
      EXPECT_LT(Output().find("SysOpPassword still has"),
                Output().find(warning));
    }
    EXPECT_EQ(server_->Stop(SIGTERM), 0);
  }
}

// Root writes everywhere, so the server runs as nobody in a folder that
// only root may write; its own files there are nobody's.
TEST(StartChecksTest, FolderThatCannotBeWrittenEndsTheStartBeforeThePort) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to run the server as nobody";
  constexpr uid_t kNobody = 65534;
  TempDir folder;
  const std::uint16_t port = FreeUdpPort();
  WriteSettingsWithPort(folder.path(), port);
  WriteFile(folder.File("Tallyhall.lock"), "");
  for (const char* name : {"Tallyhall.ini", "Tallyhall.lock"}) {
    ASSERT_EQ(::chown(folder.File(name).c_str(), kNobody, kNobody), 0);
  }
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  const ProgramRun run = RunServer(folder.path(), {}, kNobody);
  if (run.status == 126 || run.status == 127) {
    GTEST_SKIP() << "nobody cannot reach the folder or the server binary";
  }
  EXPECT_EQ(run.status, 1);
  // A start failure is written once, on standard output.
  EXPECT_NE(run.out.find("The program folder cannot be written, so no save "
                         "could succeed: " +
                         folder.path() + "/.Tallyhall.write-check."),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.find("Biller port"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tallyhall
