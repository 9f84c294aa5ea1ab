// Squads over real UDP: one player creates a squad, another joins it and
// lists it, and the squad's name comes back in his next login reply.
#include <gtest/gtest.h>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

class SquadVisitTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    zone_ = StartWithZone();
  }

  // A confirmed login; returns the login reply.
  std::string Enter(std::string_view name, std::int32_t player_id) {
    zone_->SendReliable(PlayerLogin(name, player_id, /*confirmed=*/true));
    std::optional<ServerMessage> reply = zone_->NextMessage();
    return reply ? reply->message : std::string();
  }

  // The texts of the 09 replies to a command the player types.
  Lines Type(std::int32_t player_id, std::string_view text) {
    return E2eTest::Type(*zone_, player_id, text);
  }

  std::unique_ptr<ZoneClient> zone_;
};

TEST_F(SquadVisitTest, PlayersCreateJoinListAndReenterASquad) {
  ASSERT_EQ(Enter("Ann", 21).substr(30, 24), std::string(24, '\0'));
  Enter("Bob", 22);
  EXPECT_EQ(Type(21, "?squadcreate Owls:hoot"),
            Lines{"Squad successfully created and joined.  Reenter for it to "
                  "take effect"});
  EXPECT_EQ(Type(22, "?squadjoin owls:hoot"),
            Lines{"Squad successfully joined.  Reenter for it to take effect"});
  EXPECT_EQ(
      Type(22, "?squadmembers"),
      (Lines{"Members of squad Owls", "1. Ann - Owner", "2. Bob", "Page 1"}));
  zone_->SendReliable(PlayerLogoffMessage(22, 0));
  zone_->ReceiveMessages();
  EXPECT_EQ(Enter("Bob", 23).substr(30, 24), PadField("Owls", 24));
}

}  // namespace
}  // namespace tallyhall
