// Stored player information over real UDP: a SysOp logs in with his
// password and reads the record and the aliases of a player who logged in.
#include <gtest/gtest.h>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class PlayerInfoE2eTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    zone_ = StartWithZone();
  }

  // The texts of the replies to `player_id` after he types `command`.
  std::vector<std::string> Type(std::int32_t player_id,
                                std::string_view command) {
    return E2eTest::Type(*zone_, player_id, command);
  }

  std::unique_ptr<ZoneClient> zone_;
};

TEST_F(PlayerInfoE2eTest, SysOpReadsInfoAndAliasesOfAPlayerWhoLoggedIn) {
  zone_->SendReliable(PlayerLogin("Ann", 21, /*confirmed=*/true));
  zone_->SendReliable(PlayerLogin("Warden", 22, /*confirmed=*/true));
  ASSERT_EQ(zone_->ReceiveMessages().size(), 2u);  // the two login replies

  EXPECT_TRUE(Type(22, "?info ann").empty());  // not yet a SysOp
  EXPECT_EQ(Type(22, "?login wardenfox"),
            std::vector<std::string>{"Logged into Tallyhall as SysOp"});

  const std::vector<std::string> info = Type(22, "?info ann");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_TRUE(info[0].starts_with("1. Ann Squad: LastDatePlayed:")) << info[0];
  EXPECT_TRUE(info[0].ends_with(" IP:10.1.2.3 MacID:777")) << info[0];
  EXPECT_EQ(Type(22, "?alias 777"),
            std::vector<std::string>{"Aliases of 777: Ann, Warden"});
}

}  // namespace
}  // namespace tallyhall
