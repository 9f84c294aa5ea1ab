// Text from the network on the operator's console: control bytes are shown
// escaped on stdout and in Terminal.log alike.
#include <gtest/gtest.h>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using ConsoleTest = E2eTest;

TEST_F(ConsoleTest, PlayerTextIsEscapedOnStdoutAndInTheLog) {
  SetSetting("LogTerminal=0", "LogTerminal=1");
  StartServer();
  auto zone = NewZone();
  ZoneLoginFields fields;
  fields.name = "Main";
  ASSERT_EQ(zone->LogIn(fields), Hex("00 04 00 00 00 00"));
  zone->SendReliable(PlayerLoginMessage("Ann", 3, Hex("7f 00 00 01"), 9,
                                        /*confirmed=*/true));
  zone->SendReliable(PlayerMessage(kPlayerTextType, 3, "hi \x1b[2J\x07 there"));
  ASSERT_TRUE(server_->WaitForOutput("[Ann] hi"));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);

  const std::string prefix = "Main(ServerID:1 GroupID:1 ScoreID:1) [Ann] ";
  const std::string output = Output();
  const std::string log = ReadFile(File("Terminal.log"));
  EXPECT_NE(output.find(prefix + "hi \\x1B[2J\\x07 there\n"), std::string::npos)
      << output;
  EXPECT_EQ(output.find('\x1b'), std::string::npos);
  EXPECT_NE(log.find(prefix + "hi \\x1B[2J\\x07 there\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find('\x1b'), std::string::npos);
  EXPECT_NE(log.find("New User added to User Database and logged in: Ann\r\n"),
            std::string::npos);
  // An ordinary line reads the same on both, stamp included.
  const std::size_t at = output.find("New User added");
  ASSERT_NE(at, std::string::npos);
  const std::size_t start = output.rfind('\n', at) + 1;
  const std::string stamped =
      output.substr(start, output.find('\n', at) - start);
  EXPECT_NE(log.find(stamped + "\r\n"), std::string::npos) << stamped;
}

}  // namespace
}  // namespace tallyhall
