// ?chat: the set and show forms.
#include "commands/chat_commands.h"

#include <gtest/gtest.h>

#include "support/chat_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

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

}  // namespace
}  // namespace tallyhall
