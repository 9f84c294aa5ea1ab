// What a typed line becomes on the wire, and how the biller's messages read
// in the zone tool.
#include "zone_client/zone_messages.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

using namespace std::string_literals;

TEST(ZoneMessagesTest, TypedLinesBecomeCommandsArenaChatOrText) {
  struct Case {
    std::string line;
    std::string message;  // after the type byte and PlayerID 7
  };
  const Case cases[] = {
      {"?about", "13|?about\0"s},
      {"?squadjoin a:b", "13|?squadjoin a:b\0"s},
      {"**all zones", "07|\0\0\0\0\0\0all zones"s},
      {";hi", "0e|1" + std::string(31, '\0') + "hi"},
      {";3;hi there", "0e|3" + std::string(31, '\0') + "hi there"},
      // Only a single digit and ";" name a channel.
      {";12;x", "0e|1" + std::string(31, '\0') + "12;x"},
      {"hello", "0f|hello\0"s},
      {"*one star", "0f|*one star\0"s},
  };
  for (const Case& c : cases) {
    const std::size_t bar = c.message.find('|');
    const std::string expected = Hex(c.message.substr(0, bar)) +
                                 Int32ToBytes(7) + c.message.substr(bar + 1);
    EXPECT_EQ(MessageForTypedLine(7, c.line), expected) << c.line;
  }
}

TEST(ZoneMessagesTest, ServerMessagesReadAsOneLine) {
  std::string accepted =
      Hex("01 00 15 00 00 00") + PadField("Ann", 24) + PadField("Alpha", 24) +
      std::string(96, 'd') + std::string(20, '\0') + Int32ToBytes(3) +
      std::string(4, '\0') + Int16ToBytes(5) + Int16ToBytes(-2) +
      Int16ToBytes(3) + Int32ToBytes(100) + Int32ToBytes(200);
  ASSERT_EQ(accepted.size(), 192u);
  struct Case {
    std::string message;
    std::string text;
  };
  const Case cases[] = {
      {Hex("09 15 00 00 00") + "Hi \x1b[2J" + std::string(1, '\0'),
       "Hi \\x1B[2J"},
      {accepted,
       "Login accepted: PlayerID 21 name \"Ann\" UserID 3 squad \"Alpha\" wins "
       "5 losses -2 ratio 3 kill points 100 flag points 200"},
      {Hex("01 01 15 00 00 00"),
       "Login: PlayerID 21 is new; the biller asks to confirm"},
      {Hex("01 02 15 00 00 00"), "Login refused: PlayerID 21"},
      {Hex("01 00 15 00"), "Login reply: 01 00 15 00"},
      {Hex("0a 15 00 00 00 02") + "Bob> yo", "Chat channel 2: Bob> yo"},
      {Hex("0a 15"), "Message 0a: 15"},
      {Hex("03 b8 0b 00 00 02 00") + "Server down" + std::string(1, '\0'),
       "Zone broadcast: Server down"},
      {Hex("20 01 02"), "Message 20: 01 02"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DescribeServerMessage(c.message), c.text) << c.text;
  }
}

}  // namespace
}  // namespace tallyhall
