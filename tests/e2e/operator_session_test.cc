// A SysOp's session over real UDP: a setting written with ?bset reaches the
// settings file, and ?zoneclose sends another zone its shutdown message.
#include <gtest/gtest.h>

#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class OperatorSessionTest : public E2eTest {};

TEST_F(OperatorSessionTest, SysOpWritesASettingAndClosesAnotherZone) {
  StartServer();
  std::unique_ptr<ZoneClient> zone_a = NewZone();
  std::unique_ptr<ZoneClient> zone_b = NewZone();
  ZoneLoginFields b;
  b.name = "Zone B";
  b.server_id = b.group_id = b.score_id = 2;
  ASSERT_EQ(zone_a->LogIn({}), Hex("00 04 00 00 00 00"));
  ASSERT_EQ(zone_b->LogIn(b), Hex("00 04 00 00 00 00"));
  ASSERT_EQ(Exchange(*zone_a, PlayerLogin("Sys", 21, true)).size(), 1u);

  // The one message a command by Sys gets back, and a reply to Sys.
  auto command = [&](std::string_view text) {
    std::vector<ServerMessage> got =
        Exchange(*zone_a, CommandMessage(21, text));
    return got.size() == 1 ? got[0].message : "";
  };
  auto reply = [](std::string_view text) {
    return PlayerMessage('\x09', 21, std::string(text) + '\0');
  };
  EXPECT_EQ(command("?login wardenfox"),
            reply("Logged into Tallyhall as SysOp"));
  EXPECT_EQ(command("?bset Misc:Motd:hello:world"),
            reply("Misc:Motd:hello:world"));
  EXPECT_NE(ReadFile(File("Tallyhall.ini"))
                .find("\r\nAutoSave=01:00:00\r\nMotd=hello:world\r\n"),
            std::string::npos);

  EXPECT_EQ(command("?zoneclose 2"), reply("Zone B shutdown."));
  EXPECT_EQ(zone_b->Receive(),
            Hex("00 03 00 00 00 00 02 00 01 00 00 00 02 00 00 00"));
  EXPECT_TRUE(server_->WaitForOutput(
      "Zone B(ServerID:2 GroupID:2 ScoreID:2) Shutdown by Sys(Biller SysOp)"));
}

}  // namespace
}  // namespace tallyhall
