// ?login, ?logoff, ?listop and ?listoppassword: password containment, level
// lists, filtered paging across zones and the SysOp-only password list.
#include "commands/operator_login_commands.h"

#include <gtest/gtest.h>

#include "support/core_fixture.h"
#include "zones/operator_levels.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

// The default passwords of a fresh settings file: heraldicfern (MessageOp),
// treasuryquail (AccountOp), wardenfox (SysOp).
class OperatorLoginCommandsTest : public OnePlayerTest {
 protected:
  void SetPassword(std::string_view key, std::string_view value) {
    ASSERT_TRUE(
        core_.settings_file().WriteSetting("Passwords", key, value).ok());
  }
};

TEST_F(OperatorLoginCommandsTest,
       LoginGrantsEveryLevelWhosePasswordIsContained) {
  EXPECT_EQ(AnnTypes("?login wardenfoxheraldicfern"),
            Lines{"Logged into Tallyhall as MessageOp/SysOp"});
  EXPECT_EQ(Ann().IsMessageOp, -1);
  EXPECT_EQ(Ann().IsAccountOp, 0);
  EXPECT_EQ(Ann().IsSysOp, -1);
  EXPECT_EQ(AnnTypes("?loginxxtreasuryquailyy "),
            Lines{"Logged into Tallyhall as MessageOp/AccountOp/SysOp"});
}

TEST_F(OperatorLoginCommandsTest, WrongPasswordGetsNoReplyUnlessLevelsAreHeld) {
  EXPECT_TRUE(AnnTypes("?login nothing").empty());
  EXPECT_TRUE(AnnTypes("?login WardenFox").empty());  // case matters
  EXPECT_EQ(LevelList(Ann()), "");
  AnnTypes("?login treasuryquail");
  EXPECT_EQ(AnnTypes("?login wrong"),
            Lines{"Logged into Tallyhall as AccountOp"});
}

TEST_F(OperatorLoginCommandsTest,
       EmptyPasswordNeverGrantsAndChangesTakeEffect) {
  SetPassword("SysOpPassword", "");
  EXPECT_TRUE(AnnTypes("?login anything").empty());
  EXPECT_TRUE(AnnTypes("?login").empty());
  SetPassword("MessageOpPassword", "newfern");
  EXPECT_TRUE(AnnTypes("?login heraldicfern").empty());
  EXPECT_EQ(AnnTypes("?login newfern"),
            Lines{"Logged into Tallyhall as MessageOp"});
}

// A ?login without any password fails; five failures within a minute lock
// the name out of ?login for a minute, passwords or not, with one line. The
// count belongs to the name in this zone (any letter case) and outlives a
// logoff. An argument past 128 bytes is not even tested. Repeating a correct
// ?login never counts.
TEST_F(OperatorLoginCommandsTest, FailedLoginsLockTheNameOutForAMinute) {
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(AnnTypes("?login wardenfox"),
              Lines{"Logged into Tallyhall as SysOp"});
  }
  EXPECT_TRUE(
      AnnTypes("?login " + std::string(121, 'x') + "wardenfox").empty());
  Ann().IsSysOp = 0;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(AnnTypes("?login guess").empty());
  RemovePlayer(Zone(1), 1);
  AddPresentPlayer(1, "ANN", 6);
  EXPECT_TRUE(TakeLines().empty());
  EXPECT_TRUE(Ask(1, 6, "?login guess").empty());
  EXPECT_EQ(TakeLines(), Lines{"Main(ServerID:1 GroupID:1 ScoreID:1) ?login "
                               "refused for one minute after 5 failures "
                               "within a minute: ANN"});
  EXPECT_TRUE(Ask(1, 6, "?login wardenfox").empty());
  clock_.Advance(59);
  EXPECT_TRUE(Ask(1, 6, "?login wardenfox").empty());
  EXPECT_EQ(LevelList(Ann()), "");
  clock_.Advance(1);
  EXPECT_EQ(Ask(1, 6, "?login wardenfox"),
            Lines{"Logged into Tallyhall as SysOp"});
  // Failures older than a minute no longer count.
  for (int i = 0; i < 4; ++i) Ask(1, 6, "?login guess");
  clock_.Advance(61);
  Ask(1, 6, "?login guess");
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(OperatorLoginCommandsTest, LogoffDropsOnlyHeldLevelsNamedByLetters) {
  EXPECT_TRUE(AnnTypes("?logoff").empty());
  EXPECT_TRUE(AnnTypes("?logoff mas").empty());  // nothing held
  Ann().IsMessageOp = Ann().IsAccountOp = Ann().IsSysOp = -1;
  EXPECT_EQ(AnnTypes("?logoff all"),
            Lines{"Biller operator status dropped: AccountOp"});
  EXPECT_EQ(LevelList(Ann()), "MessageOp/SysOp");
  Ann().IsAccountOp = -1;
  EXPECT_EQ(AnnTypes("?logoff MAS"),
            Lines{"Biller operator status dropped: MessageOp/AccountOp/SysOp"});
  EXPECT_EQ(LevelList(Ann()), "");
}

TEST_F(OperatorLoginCommandsTest, ListOpNamesLevelsAndZones) {
  EXPECT_EQ(AnnTypes("?listop"), Lines{"Page 1"});
  LoginZone(2, "Second");
  AppendPlayer(Zone(1), {.PlayerName = "Bob", .IsSysOp = -1});
  AppendPlayer(Zone(2), {.PlayerName = "Plain"});
  AppendPlayer(Zone(2),
               {.PlayerName = "Cy", .IsMessageOp = -1, .IsAccountOp = -1});
  EXPECT_EQ(AnnTypes("?listop 0"),
            (Lines{"Bob [SysOp] in Main", "Cy [MessageOp/AccountOp] in Second",
                   "Page 1"}));
}

TEST_F(OperatorLoginCommandsTest, ListOpPagesOperatorsOfAllZonesTogether) {
  LoginZone(2, "Second");
  for (int i = 1; i <= 45; ++i) {
    AppendPlayer(Zone(i <= 30 ? 1 : 2),
                 {.PlayerName = "Op" + std::to_string(i), .IsAccountOp = -1});
  }
  Lines page = AnnTypes("?listop");
  ASSERT_EQ(page.size(), 40u);
  EXPECT_EQ(page[0], "Op1 [AccountOp] in Main");
  EXPECT_EQ(page[38], "Op39 [AccountOp] in Second");
  EXPECT_EQ(page[39], "Page 1");
  page = AnnTypes("?listop 2");
  ASSERT_EQ(page.size(), 7u);
  EXPECT_EQ(page[0], "Op40 [AccountOp] in Second");
  EXPECT_EQ(page[6], "Page 2");
  EXPECT_EQ(AnnTypes("?listop -1"), Lines{"Page -1"});
}

TEST_F(OperatorLoginCommandsTest, ListOpPasswordIsForSysOpsOnly) {
  EXPECT_TRUE(AnnTypes("?listoppassword").empty());
  Ann().IsSysOp = -1;
  SetPassword("AccountOpPassword", "");
  EXPECT_EQ(AnnTypes("?listoppassword"),
            (Lines{"MessageOpPassword: heraldicfern",
                   "AccountOpPassword: ", "SysOpPassword: wardenfox"}));
  // An exact word followed by anything falls through to ?listop.
  EXPECT_EQ(AnnTypes("?listoppassword x"),
            (Lines{"Ann [SysOp] in Main", "Page 1"}));
}

}  // namespace
}  // namespace tallyhall
