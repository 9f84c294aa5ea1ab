// The modes of the files the server creates: the settings file, which holds
// every password, only for its owner; databases, log and event records for
// the owner and the group, whatever the umask. Existing files keep theirs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <string>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using FileModesTest = E2eTest;

unsigned ModeOf(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
}

TEST_F(FileModesTest, NewFilesGetTheirModesWhateverTheUmask) {
  SetSetting("LogTerminal=0", "LogTerminal=1");
  ASSERT_EQ(::chmod(File("Tallyhall.ini").c_str(), 0604), 0);
  const mode_t old_umask = ::umask(0);
  StartServer();
  ::umask(old_umask);
  auto zone = NewZone();
  ZoneLoginFields fields;
  fields.name = "Main";
  ASSERT_EQ(zone->LogIn(fields), Hex("00 04 00 00 00 00"));
  zone->SendReliable(Hex("30"));
  ASSERT_TRUE(server_->WaitForOutput("Unknown user event 48"));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  for (const char* name : {"User.1", "Squad.1", "Score.1", "Terminal.log",
                           "unknownuserevent.48"}) {
    EXPECT_EQ(ModeOf(File(name)), 0640u) << name;
  }
  // Rewritten when the zone was registered; it keeps the mode it had.
  EXPECT_NE(ReadFile(File("Tallyhall.ini")).find("Main=ledgerkite"),
            std::string::npos);
  EXPECT_EQ(ModeOf(File("Tallyhall.ini")), 0604u);
}

}  // namespace
}  // namespace tallyhall
