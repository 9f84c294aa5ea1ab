// ?chat (set and show forms) and ?find (for players and for a SysOp).
#include "commands/chat_commands.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/chat_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;
const std::string kNotFound = "Not found on Tallyhall network";

using ChatCommandsTest = ChatFixture;

TEST_F(ChatCommandsTest, ChatSetFormStoresTextUnchanged) {
  for (auto [typed, stored] : std::vector<std::pair<std::string, std::string>>{
           {"?chat=,,a", ",,a"},
           {"?chat Team, b", "Team, b"},
           {"?chat=" + std::string(200, 'c'), std::string(128, 'c')},
           {"?chat=", ""}}) {
    Type(1, 5, typed);
    EXPECT_EQ(Ann().ChatChannels, stored);
  }
  EXPECT_TRUE(RepliesTo(1, 5).empty());
}

TEST_F(ChatCommandsTest, ChatShowFormListsMembersBySubstring) {
  Add(2, "Bob", 6, "x,y,team");
  Add(2, "Cat", 7, "teams");
  Add(1, "Dan", 8, "Lobby");
  Type(1, 5, "?chat");
  Type(1, 5, "?chatter");
  const Lines shown{"1:[lobby] Ann", "2:[team] Ann,Bob,Cat"};
  EXPECT_EQ(RepliesTo(1, 5), (Lines{shown[0], shown[1], shown[0], shown[1]}));
  Ann().ChatChannels = ",,,";
  Type(1, 5, "?chat");
  EXPECT_EQ(
      RepliesTo(1, 5),
      Lines{"You are not on any chat channels. Type ?chat=channelname or "
            "?chat channelname to correctly enter in a chat channel. To "
            "enter in more than 1, include a commas after channel names."});
}

TEST_F(ChatCommandsTest, FindForPlayersMatchesNamesOnly) {
  Add(1, "", 9);
  Add(2, "BobTheVeryLongNameOfAll1", 6);
  const std::string bob = "BobTheVeryLongNameOfAll1 - Side";
  Type(1, 5, "?find");
  Type(1, 5, "?find  bOb");
  Type(1, 5, "?find obTheVeryLongNameOfAll1xyz");  // cut to 23 letters
  Type(1, 5, "?find zed");
  Type(1, 5, "?find" + std::string(24, ' ') + "zed");  // the key is all blanks
  EXPECT_EQ(RepliesTo(1, 5),
            (Lines{"Ann - Main", bob, bob, bob, kNotFound, "Ann - Main", bob}));
}

TEST_F(ChatCommandsTest, FindForSysOpMatchesMacIdIpOrName) {
  Ann().IsSysOp = -1;
  Ann().MacID = 77;
  Ann().IP = BytesToInt32(Hex("0a 01 02 03"));
  Add(2, "Bob", 6, "", 0, "c0 a8 00 01");
  Add(2, "Cat", 7, "", 1234, "0a 0a 00 05");
  const std::string ann = "Ann (77) [10.1.2.3] - Main";
  const std::string bob = "Bob (0) [192.168.0.1] - Side";
  const std::string cat = "Cat (1234) [10.10.0.5] - Side";
  Type(1, 5, "?find ANN");  // reads as MacID 0 too
  Type(1, 5, "?find 10.1");
  Type(1, 5, "?find 1234");
  Type(1, 5, "?find 99999999999");  // overflows: reads as MacID 0
  EXPECT_EQ(RepliesTo(1, 5), (Lines{ann, bob, ann, cat, cat, bob}));
  EXPECT_EQ(TakeLines(), Lines{"Overflow 6"});
}

}  // namespace
}  // namespace tallyhall
