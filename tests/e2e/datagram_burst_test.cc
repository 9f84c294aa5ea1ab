// A burst of datagrams sent in one go, which the server reads in batches:
// every acknowledgement and reply comes back in the order the messages were
// sent, an oversized datagram is dropped whole, and the terminal lines keep
// their order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

using DatagramBurstTest = E2eTest;

TEST_F(DatagramBurstTest, EveryAnswerOfABurstArrivesInOrder) {
  StartServer();
  auto zone = NewZone();
  ASSERT_EQ(zone->LogIn(ZoneLoginFields{}), Hex("00 04 00 00 00 00"));
  ASSERT_EQ(Exchange(*zone, PlayerLogin("Ann", 5, true)).size(), 1u);
  const std::string about = CommandMessage(5, "?about");
  const std::vector<ServerMessage> first = Exchange(*zone, about);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(first[0].sequence, 1);

  const std::string ack("\x00\x04", 2);
  std::vector<std::string> expected;
  std::int32_t server_sequence = 2;
  for (int i = 0; i < 120; ++i) {
    switch (i % 4) {
      case 0:  // needs the acknowledgement only
        expected.push_back(ack + zone->SendReliable(Hex("01")));
        break;
      case 1:  // acknowledgement, then the reply
        expected.push_back(ack + zone->SendReliable(about));
        expected.push_back(std::string("\x00\x03", 2) +
                           Int32ToBytes(server_sequence++) + first[0].message);
        break;
      case 2:  // a terminal line
        expected.push_back(
            ack + zone->SendReliable(PlayerMessage(
                      kPlayerTextType, 5, "line " + std::to_string(i))));
        break;
      default:
        if (i == 63) {
          // 521 bytes: dropped whole, so nothing answers it.
          zone->SendRaw(Hex("00 03 ff ff ff ff 01") + std::string(514, 'x'));
        } else {
          // 520 bytes: the longest datagram that is handed on.
          expected.push_back(
              ack + zone->SendReliable(Hex("01") + std::string(513, 'x')));
        }
    }
  }
  EXPECT_EQ(zone->ReceiveUntilQuiet(), expected);

  ASSERT_TRUE(server_->WaitForOutput("[Ann] line 118")) << Output();
  const std::string output = Output();
  std::size_t last = 0;
  for (int i = 2; i < 120; i += 4) {
    const std::size_t at =
        output.find("[Ann] line " + std::to_string(i) + "\n");
    ASSERT_NE(at, std::string::npos) << i;
    EXPECT_GT(at, last) << i;
    last = at;
  }
}

}  // namespace
}  // namespace tallyhall
