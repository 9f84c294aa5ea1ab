// A player's whole visit over real UDP: login as a new player with
// confirmation, a command, chat to a player in another zone, logoff with
// scores, and a second login that returns what was stored.
#include <gtest/gtest.h>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class PlayerVisitTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    StartServer();
    zone_a_ = NewZone();
    zone_b_ = NewZone();
    ZoneLoginFields a;
    a.name = "Zone A";
    ZoneLoginFields b;
    b.name = "Zone B";
    b.server_id = b.group_id = b.score_id = 2;
    ASSERT_EQ(zone_a_->LogIn(a), Hex("00 04 00 00 00 00"));
    ASSERT_EQ(zone_b_->LogIn(b), Hex("00 04 00 00 00 00"));
  }

  std::unique_ptr<ZoneClient> zone_a_;
  std::unique_ptr<ZoneClient> zone_b_;
};

TEST_F(PlayerVisitTest, NewPlayerVisitsChatsLeavesAndFindsHisScoresAgain) {
  // First attempt: the server asks the zone to confirm a new player.
  std::vector<ServerMessage> got =
      Exchange(*zone_a_, PlayerLogin("Ann", 21, false));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sequence, 0);
  EXPECT_EQ(got[0].message, Hex("01 01 15 00 00 00"));

  got = Exchange(*zone_a_, PlayerLogin("Ann", 21, true));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sequence, 1);
  ASSERT_EQ(got[0].message.size(), 192u);
  EXPECT_EQ(got[0].message.substr(0, 30),
            Hex("01 00 15 00 00 00") + PadField("Ann", 24));
  EXPECT_EQ(got[0].message.substr(170, 4), Int32ToBytes(1));
  EXPECT_EQ(got[0].message.substr(178), std::string(14, '\0'));

  got = Exchange(*zone_a_, CommandMessage(21, "?about"));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sequence, 2);
  EXPECT_EQ(
      got[0].message,
      PlayerMessage('\x09', 21,
                    "A biller is a program that connects to a game server "
                    "to save/keep players' scores, names, squads, ids, and "
                    "other related information.") +
          std::string(1, '\0'));

  // Bob in the other zone shares the channel "lobby" and hears Ann.
  Exchange(*zone_b_, PlayerLogin("Bob", 31, true));
  Exchange(*zone_b_, CommandMessage(31, "?chat=x,lobby"));
  Exchange(*zone_a_, CommandMessage(21, "?chat=lobby"));
  zone_a_->SendReliable(ChannelMessage(21, '1', "hello"));
  got = zone_b_->ReceiveMessages();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, PlayerMessage('\x0a', 31,
                                          "\x02"
                                          "Ann> hello"));
  EXPECT_TRUE(zone_a_->ReceiveMessages().empty());

  // Ann's data block, then her logoff with a score block.
  const std::string block(96, 'd');
  const std::string scores = Hex("05 00 02 00 03 00 64 00 00 00 c8 00 00 00");
  zone_a_->SendReliable(PlayerMessage(kDataBlockType, 21, block));
  zone_a_->SendReliable(PlayerLogoffMessage(21, 60, scores));
  EXPECT_TRUE(server_->WaitForOutput("Score data updated to Score Database"));
  zone_a_->ReceiveMessages();

  got = Exchange(*zone_a_, PlayerLogin("ann", 22, false));
  ASSERT_EQ(got.size(), 1u);
  const std::string& reply = got[0].message;
  ASSERT_EQ(reply.size(), 192u);
  EXPECT_EQ(reply.substr(6, 24), PadField("ann", 24));
  EXPECT_EQ(reply.substr(54, 96), block);
  EXPECT_EQ(reply.substr(150, 4), Int32ToBytes(60));
  EXPECT_EQ(reply.substr(178, 14), scores);
  EXPECT_NE(Output().find("Zone A(ServerID:1 GroupID:1 ScoreID:1) Known User "
                          "logged in: ann"),
            std::string::npos);
}

}  // namespace
}  // namespace tallyhall
