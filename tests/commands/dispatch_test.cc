// The command table's order and matching, the dispatch's checks, and the
// reading of number arguments.
#include "commands/dispatch.h"

#include <gtest/gtest.h>

#include "commands/command_table.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

TEST(CommandTableTest, HoldsTheFortyNineWordsAndEveryWordReachesItsOwnEntry) {
  ASSERT_EQ(CommandTable().size(), 49u);
  for (const CommandEntry& entry : CommandTable()) {
    EXPECT_EQ(FindCommand(entry.text), &entry) << entry.text;
  }
}

TEST(CommandTableTest, LongerWordsWinOverTheirPrefixes) {
  EXPECT_EQ(FindCommand("?squadowner 3:4")->text, "?squadowner");
  EXPECT_EQ(FindCommand("?squadown 2")->text, "?squadown");
  EXPECT_EQ(FindCommand("?infodump")->text, "?infodump");
  EXPECT_EQ(FindCommand("?infopage 2 x")->text, "?infopage");
  EXPECT_EQ(FindCommand("?infox")->text, "?info");
  EXPECT_EQ(FindCommand("?aliasx2")->text, "?aliasx2");
  EXPECT_EQ(FindCommand("?aliaspage 1 7")->text, "?aliaspage");
  EXPECT_EQ(FindCommand("?aliasx3")->text, "?alias");
  EXPECT_EQ(FindCommand("?zonelist2")->text, "?zonelist");
}

TEST(CommandTableTest, ExactWordsFollowedByAnythingFallThrough) {
  EXPECT_EQ(FindCommand("?listoppassword")->text, "?listoppassword");
  EXPECT_EQ(FindCommand("?listoppassword x")->text, "?listop");
  EXPECT_EQ(FindCommand("?version "), nullptr);
  EXPECT_EQ(FindCommand("?squadleave now"), nullptr);
  EXPECT_EQ(FindCommand("?save "), nullptr);
  EXPECT_EQ(FindCommand("?squadid2"), nullptr);
}

TEST(CommandTableTest, MatchingIsCaseSensitive) {
  EXPECT_EQ(FindCommand("?Version"), nullptr);
  EXPECT_EQ(FindCommand("?CHAT=a"), nullptr);
  EXPECT_EQ(FindCommand("version"), nullptr);
  EXPECT_EQ(FindCommand(""), nullptr);
}

using DispatchTest = OnePlayerTest;

TEST_F(DispatchTest, CommandFromUnknownPlayerIsDroppedSilently) {
  Type(1, 6, "?about");
  EXPECT_EQ(RepliesTo(1, 6), std::vector<std::string>{});
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(DispatchTest, TextAfterNulIsIgnoredAndUnknownWordsGetNoReply) {
  Type(1, 5, std::string("?about\0junk", 11));
  EXPECT_EQ(RepliesTo(1, 5).size(), 1u);
  Type(1, 5, "?nosuchcommand");
  Type(1, 5, "hello");
  EXPECT_TRUE(RepliesTo(1, 5).empty());
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(DispatchTest, CommandNeedingALevelIsIgnoredWithoutIt) {
  Type(1, 5, "?listoppassword");
  EXPECT_TRUE(RepliesTo(1, 5).empty());
  Zone(1).Players[0].IsSysOp = -1;
  Type(1, 5, "?listoppassword");
  EXPECT_EQ(RepliesTo(1, 5).size(), 3u);
}

TEST_F(DispatchTest, ShortUserCommandMessagesAreHarmless) {
  ReceiveReliable(ZoneAddress(1), std::string("\x13", 1));
  ReceiveReliable(ZoneAddress(1), std::string("\x13\x05\x00", 3));
  ReceiveReliable(ZoneAddress(1), std::string("\x13\x05\x00\x00\x00", 5));
  EXPECT_TRUE(RepliesTo(1, 5).empty());
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(DispatchTest, NumberArgumentsFollowTheReadingRules) {
  CommandContext ctx = Context(1);
  EXPECT_EQ(ctx.Number("1 2"), 12);
  EXPECT_EQ(ctx.Number(" 2.5"), 2);
  EXPECT_EQ(ctx.Number("3.5"), 4);
  EXPECT_EQ(ctx.Number("abc"), 0);
  EXPECT_EQ(ctx.Number("-7x"), -7);
  EXPECT_EQ(ctx.Number("&H10"), 16);
  EXPECT_TRUE(TakeLines().empty());
  EXPECT_EQ(ctx.Number("12345678901"), 0);
  EXPECT_EQ(TakeLines(), std::vector<std::string>{"Overflow 6"});
}

}  // namespace
}  // namespace tallyhall
