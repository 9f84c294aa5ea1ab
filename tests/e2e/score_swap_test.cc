// A score swap over real UDP: a player lists his names, asks with
// ?scoreswap to swap with his other name, leaves with new scores, and after
// the server saves at SIGTERM the Score file holds the two records swapped.
#include <gtest/gtest.h>

#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class ScoreSwapTest : public E2eTest {};

TEST_F(ScoreSwapTest, SwapAskedForIsCarriedOutAtLogoffAndSaved) {
  StartServer();
  auto zone = NewZone();
  ZoneLoginFields fields;
  fields.name = "Zone A";
  ASSERT_EQ(zone->LogIn(fields), Hex("00 04 00 00 00 00"));

  // Main (UserID 1, ScoreID 1) and Alt (2, 2) share MacID 777.
  ASSERT_EQ(Exchange(*zone, PlayerLogin("Main", 21, true)).size(), 1u);
  ASSERT_EQ(Exchange(*zone, PlayerLogin("Alt", 22, true)).size(), 1u);
  const std::string alt_scores =
      Hex("07 00 01 00 02 00 10 00 00 00 20 00 00 00");
  zone->SendReliable(PlayerLogoffMessage(22, 1, alt_scores));
  ASSERT_TRUE(server_->WaitForOutput("Alt logging off"));

  std::vector<ServerMessage> got =
      Exchange(*zone, CommandMessage(21, "?scoreown"));
  ASSERT_EQ(got.size(), 4u);
  EXPECT_TRUE(ReplyText(got[1], 21).starts_with("1. Main  "));
  EXPECT_TRUE(ReplyText(got[2], 21).starts_with("2. Alt  "));
  EXPECT_EQ(ReplyText(got[3], 21), "Page 1");

  got = Exchange(*zone, CommandMessage(21, "?scoreswap ALT"));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(ReplyText(got[0], 21),
            "ENABLED: Score swap of Main with Alt on exit");

  const std::string main_scores =
      Hex("03 00 04 00 05 00 00 01 00 00 00 02 00 00");
  zone->SendReliable(PlayerLogoffMessage(21, 1, main_scores));
  ASSERT_TRUE(server_->WaitForOutput("Main Swapped Score with Alt"));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);

  // Main's record took Alt's stored scores; Alt's took those just reported.
  EXPECT_EQ(ReadFile(File("Score.1")), alt_scores + main_scores);
}

}  // namespace
}  // namespace tallyhall
