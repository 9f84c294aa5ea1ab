// A player's whole visit over real UDP: login as a new player with
// confirmation, a command, chat to a player in another zone, logoff with
// scores, and a second login that returns what was stored.
#include <gtest/gtest.h>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

std::string PlayerLogin(std::string_view name, std::int32_t player_id,
                        bool confirmed) {
  std::string message("\x04", 1);
  message.push_back(confirmed ? '\x01' : '\x00');
  message += Hex("0a 01 02 03");
  message += PadField(name, 24);
  message += std::string(40, '\0');
  message += Int32ToBytes(player_id);
  message += Int32ToBytes(777);
  return message;
}

std::string WithPlayer(char type, std::int32_t player_id,
                       std::string_view rest) {
  return std::string(1, type) + Int32ToBytes(player_id) + std::string(rest);
}

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

  // Sends a reliable message and returns the messages the server sends back
  // (acknowledgements skipped).
  static std::vector<ServerMessage> Exchange(ZoneClient& zone,
                                             std::string_view message) {
    zone.SendReliable(message);
    return zone.ReceiveMessages();
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

  got = Exchange(*zone_a_, WithPlayer('\x13', 21, std::string("?about\0", 7)));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sequence, 2);
  EXPECT_EQ(got[0].message,
            WithPlayer('\x09', 21,
                       "A biller is a program that connects to a game server "
                       "to save/keep players' scores, names, squads, ids, and "
                       "other related information.") +
                std::string(1, '\0'));

  // Bob in the other zone shares the channel "lobby" and hears Ann.
  Exchange(*zone_b_, PlayerLogin("Bob", 31, true));
  Exchange(*zone_b_,
           WithPlayer('\x13', 31, std::string("?chat=x,lobby\0", 14)));
  Exchange(*zone_a_, WithPlayer('\x13', 21, std::string("?chat=lobby\0", 12)));
  zone_a_->SendReliable(WithPlayer('\x0e', 21, PadField("1", 32) + "hello"));
  got = zone_b_->ReceiveMessages();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, WithPlayer('\x0a', 31,
                                       "\x02"
                                       "Ann> hello"));
  EXPECT_TRUE(zone_a_->ReceiveMessages().empty());

  // Ann's data block, then her logoff with a score block.
  const std::string block(96, 'd');
  const std::string scores = Hex("05 00 02 00 03 00 64 00 00 00 c8 00 00 00");
  zone_a_->SendReliable(WithPlayer('\x10', 21, block));
  zone_a_->SendReliable(
      WithPlayer('\x05', 21, std::string(8, '\0') + Hex("3c 00") + scores));
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
