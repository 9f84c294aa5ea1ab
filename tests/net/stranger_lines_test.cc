// Lines caused by senders that are not zones: per address whatever the
// port, 20 of a burst and then 5 a second, the rest counted and reported at
// the next tick; a zone's lines pass whole; the memory stays bounded.
#include "context/stranger_lines.h"

#include <gtest/gtest.h>

#include "shell/server_events.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

class StrangerLinesTest : public CoreTest {
 protected:
  // `logins` refused zone logins (two lines each) from 127.0.0.1, each from
  // its own port; returns how many lines reached the terminal.
  std::size_t Refused(int logins) {
    ZoneLoginFields wrong;
    wrong.password = "guess";
    Address stranger = ZoneAddress(0);
    for (int i = 0; i < logins; ++i) {
      stranger.port = static_cast<std::uint16_t>(1000 + i);
      ReceiveReliable(stranger, ZoneLoginMessage(wrong));
    }
    return TakeLines().size();
  }
};

TEST_F(StrangerLinesTest, RefusedLoginsAreLimitedAndCountedAtTheTick) {
  EXPECT_EQ(Refused(15), 20u);
  clock_.Advance(1);
  EXPECT_EQ(Refused(15), 5u);
  // A zone from the same address: its login and its own lines pass whole.
  ASSERT_EQ(LoginZone(2, "Main"), 1);
  EXPECT_EQ(TakeLines().front(), "Connection request from 127.0.0.1:5000");
  for (int i = 0; i < 30; ++i) ReceiveReliable(ZoneAddress(2), "\x30");
  EXPECT_EQ(TakeLines().size(), 30u);
  OnSaveTick(core_);
  EXPECT_EQ(TakeLines(), Lines{"35 lines from 127.0.0.1 were not shown"});
  OnSaveTick(core_);
  EXPECT_TRUE(TakeLines().empty());
}

TEST(StrangerLinesLimitTest, ManyAddressesShareOneAllowanceBeyondTheLimit) {
  StrangerLines limit;
  const int addresses = static_cast<int>(StrangerLines::kMaxAddresses) + 100;
  int admitted = 0;
  for (int i = 0; i < addresses; ++i) {
    const Address from{.ip = {10, 0, static_cast<std::uint8_t>(i >> 8),
                              static_cast<std::uint8_t>(i)}};
    admitted += limit.Admit(from, 0) ? 1 : 0;
  }
  EXPECT_EQ(admitted, static_cast<int>(StrangerLines::kMaxAddresses) + 20);
  EXPECT_EQ(limit.size(), StrangerLines::kMaxAddresses);
  EXPECT_EQ(limit.TakeReport(0),
            Lines{"80 lines from other addresses were not shown"});
  // Addresses whose allowance is whole again are forgotten.
  EXPECT_TRUE(limit.TakeReport(1000).empty());
  EXPECT_EQ(limit.size(), 0u);
}

}  // namespace
}  // namespace tallyhall
