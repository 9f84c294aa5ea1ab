// Squad commands: a scripted conversation with exact replies, listing
// columns and page edges, and callers whose record or squad is gone.
#include "commands/squad_commands.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

struct Step {
  std::int32_t user;  // the caller's UserID; his PlayerID is 100 + UserID
  std::string text;
  Lines replies;
};

// Records 1 Ann, 2 Bob, 3 Cy, 4 Dee, each present with its UserID.
class SquadCommandsTest : public CoreTest {
 protected:
  void SetUp() override {
    LoginZone(1, "Main");
    for (std::string name : {"Ann", "Bob", "Cy", "Dee"}) AddUser(name);
  }
  UserDatabase& Users() { return Zone(1).databases.users; }
  SquadDatabase& Squads() { return Zone(1).databases.squads; }
  // A record in squad `squad` and its present player.
  void AddUser(std::string name, std::int32_t squad = 0) {
    const std::int32_t id = Users().AddUser(Zone(1).databases.scores, name,
                                            "ip", "mac", clock_.Now());
    SetSquad(id, squad);
    AddPresentPlayer(1, name, 100 + id).UserID = id;
  }
  void SetSquad(std::int32_t user, std::int32_t squad) {
    Users().SetUserField(user, UserField::kSquadID, Int32ToBytes(squad));
  }
  void Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      EXPECT_EQ(Ask(1, 100 + step.user, step.text), step.replies) << step.text;
    }
  }
};

const std::string kJoined =
    "Squad successfully joined.  Reenter for it to take effect";
const std::string kCreated =
    "Squad successfully created and joined.  Reenter for it to take effect";
const std::string kRenamed =
    "Squad name changed. Squad members must reenter for it to take effect";
const std::string kNotOwner = "You are not the owner of the squad";
const std::string kNotOwnerIn =
    "You are not the owner of the squad you are currently in";
const std::string kNotIn = "You are not in a squad";
const std::string kUnknown = "Squad unknown in Squad Database";
const std::string kBounds = "UserID is out of bounds";

// A listing line: each text placed at its column, blanks between.
std::string Line(std::vector<std::pair<std::size_t, std::string>> columns) {
  std::string line;
  for (const auto& [column, text] : columns) {
    line.resize(column, ' ');
    line += text;
  }
  return line;
}

TEST_F(SquadCommandsTest, MembersOwnersAndOperatorsConverse) {
  Run({{1, "?squadcreate Alpha:pw", {kCreated}},
       {2, "?squadcreate alpha", {"Squad already exists"}},
       {2, "?squadjoin Alpha", {"Invalid squad password"}},
       {2, "?squadjoin  alpha:pw", {kJoined}},
       {3, "?scoreid", {"ScoreID:3"}},
       {3, "?squadcreate Beta", {kCreated}},
       {4, "?squadjoin Beta", {kJoined}},
       {1,
        "?squadleave",
        {"1. Alpha pw You left your current squad.  Reenter for it to take "
         "effect",
         "You are still the owner"}},
       {1, "?squadjoin Alpha:wrong", {kJoined}},
       {2, "?squadgrant 3", {kNotOwnerIn}},
       {1, "?squadgrant x", {"Format: ?squadgrant (UserID)"}},
       {1, "?squadgrant 5", {kBounds}},
       {1, "?squadgrant 0", {"0. Squad ownership is lost"}},
       {2, "?squadgrant 2", {"2. Bob Player was made the owner of your squad"}},
       {2, "?squadkick 3", {"Player is not in your squad."}},
       {2, "?squadkick 1", {"1. Ann Player was removed from your squad"}},
       {2, "?squadpassword", {"1. Squad password is pw"}},
       {3, "?squadpassword 1", {"1. Alpha " + kNotOwner}},
       {2, "?squadpassword 1:", {"1. Alpha pw Squad password changed to "}},
       {1, "?squadname 2:Gamma", {kNotOwner}},
       {3, "?squadname 2:Alpha", {kRenamed}},
       // The caller's own squad, not the first one of its name.
       {4,
        "?squadmembers",
        {"Members of squad Alpha", "3. Cy - Owner", "4. Dee", "Page 1"}},
       {4, "?squadmembers 2", {kUnknown}},
       {4, "?squadcreate Gamma", {kCreated}},
       {1, "?squaddissolve x", {"Format: ?squaddissolve (SquadID)"}},
       {3,
        "?squaddissolve 2",
        {"2. Alpha  Squad dissolved.  Reenter for it to take effect"}},
       {4, "?squadid", {"SquadID:2"}},
       {2, "?squadid", {"SquadID:1"}},
       {3, "?squadid", {kNotIn}},
       {1, "?squadowner 1", {}}});
  EXPECT_EQ(Squads().FindSquad("gamma"), 2);
  Zone(1).Players[0].IsAccountOp = -1;
  Run({{1, "?squadowner 1", {"2. Bob"}},
       {1, "?squadowner 3", {"SquadID is out of bounds"}},
       {1, "?squadowner 1:5", {kBounds}},
       {1, "?squadowner 1:-1", {"-1. Squad ownership is lost"}},
       {1, "?squadowner 1:3", {"3. Cy Player was made the owner of the squad"}},
       {1, "?squadpassword 2:x", {"2. Gamma  Squad password changed to x"}},
       // An absent squad reads as empty: the reply comes, nothing changes.
       {1, "?squadpassword 7:x", {"7.   Squad password changed to x"}},
       {1, "?squadpassword 7", {"7. Squad password is "}},
       {1, "?squadname 2:Beta", {kRenamed}},
       {1, "?squaddissolve 2", {kNotOwner}}});
}

TEST_F(SquadCommandsTest, ListingsKeepTheirColumnsAndPages) {
  for (int i = 1; i <= 40; ++i) {
    Squads().AppendSquad("S" + std::to_string(i), i % 2 ? "pw" : "", i % 3);
  }
  const Lines page = Ask(1, 101, "?squaddatabase");
  ASSERT_EQ(page.size(), 42u);
  EXPECT_EQ(page[0], Line({{4, "Squad Name"}, {29, "Owner"}, {54, "Status"}}));
  EXPECT_EQ(page[3], Line({{1, "3."}, {4, "S3"}, {54, "Private"}}));
  EXPECT_EQ(page[40],
            Line({{0, "40."}, {4, "S40"}, {29, "Ann"}, {54, "Public"}}));
  EXPECT_EQ(page[41], "Page 1");
  EXPECT_EQ(Ask(1, 101, "?squaddatabase 2"), (Lines{page[0], "Page 2"}));
  EXPECT_EQ(Ask(1, 101, "?squaddatabase -1"), (Lines{page[0], "Page -1"}));
  const Lines own = Ask(1, 101, "?squadown");
  ASSERT_EQ(own.size(), 16u);  // squads 1, 4, ..., 40
  EXPECT_EQ(own[0], Line({{4, "Squad Name"}, {29, "Squad Password"}}));
  EXPECT_EQ(own[13], Line({{0, "37."}, {4, "S37"}, {29, "pw"}}));
  // 44 members of squad 7 (UserIDs 5..48, owner 43); 44 more squads of Ann.
  for (int i = 1; i <= 44; ++i) {
    AddUser("M" + std::to_string(i), 7);
    Squads().AppendSquad("Own", "", 1);
  }
  Squads().SetSquadField(7, SquadField::kOwner, Int32ToBytes(43));
  struct Case {
    std::string text;
    std::size_t size;
    std::string first, last;  // the first and last listed lines
  } cases[] = {
      {"?squadmembers s7", 41, "5. M1", "43. M39 - Owner"},
      {"?squadmembers 2 S7", 7, "44. M40", "48. M44"},
      {"?squadown 0", 41, " 1. S1", "66. Own"},  // 39 of Ann's 57 squads
      {"?squadown 2", 20, "67. Own", "84. Own"},
  };
  for (const Case& c : cases) {
    const Lines got = Ask(1, 101, c.text);
    ASSERT_EQ(got.size(), c.size) << c.text;
    EXPECT_TRUE(got[1].starts_with(c.first)) << c.text << ": " << got[1];
    EXPECT_TRUE(got[c.size - 2].starts_with(c.last)) << c.text;
  }
}

// A player whose record was deleted has UserID 0: he owns nothing, not even
// squads owned by nobody or SquadIDs that name no squad. A member whose
// SquadID names no squad is in none, but may still leave it.
TEST_F(SquadCommandsTest, CallersWithoutRecordOrSquadChangeNothing) {
  Squads().AppendSquad("Free", "pw", 0);
  Squads().AppendSquad("Held", "", 1);
  SetSquad(2, 1);
  SetSquad(4, 9);
  AddPresentPlayer(1, "Gone", 100);
  const std::string users = Users().bytes();
  const std::string squads = Squads().bytes();
  Run({{0, "?squaddissolve 0", {kNotOwner}},
       {0, "?squaddissolve 9", {kNotOwner}},
       {0, "?squaddissolve 1", {kNotOwner}},
       {0, "?squadjoin Free:x", {"Invalid squad password"}},
       {0, "?squadname 1:X", {kNotOwner}},
       {0, "?squadpassword 1", {"1. Free " + kNotOwner}},
       {0, "?squadpassword 9:x", {"9.  " + kNotOwner}},
       {0,
        "?squadown",
        {Line({{3, "Squad Name"}, {28, "Squad Password"}}), "Page 1"}},
       {0, "?squadgrant 1", {kNotIn}},
       {4, "?squadgrant 4", {kNotIn}},
       {4, "?squadmembers", {kUnknown}}});
  EXPECT_EQ(Users().bytes(), users);
  EXPECT_EQ(Squads().bytes(), squads);
  Run({{4,
        "?squadleave",
        {"9.   You left your current squad.  Reenter for it to take effect"}}});
  EXPECT_EQ(Users().GetUserField(4, UserField::kSquadID), Int32ToBytes(0));
}

// A SquadID that names no squad is a squad with owner 0: the owner test,
// not the membership test, refuses.
TEST_F(SquadCommandsTest, KickFromASquadThatIsGoneFailsTheOwnerTest) {
  SetSquad(4, 9);
  SetSquad(1, 9);
  Run({{4, "?squadkick 1", {kNotOwnerIn}}});
  EXPECT_EQ(Users().GetUserField(1, UserField::kSquadID), Int32ToBytes(9));
}

// Without an argument, a squad that is gone reads as empty: an AccountOp
// sees its empty password, anybody else is not its owner; nothing is written.
TEST_F(SquadCommandsTest, PasswordOfASquadThatIsGoneAnswersByTheOwnerTest) {
  SetSquad(4, 9);
  const std::string users = Users().bytes();
  Run({{4, "?squadpassword", {"9.  " + kNotOwner}}});
  Zone(1).Players[3].IsAccountOp = -1;
  Run({{4, "?squadpassword", {"9. Squad password is "}}});
  EXPECT_EQ(Users().bytes(), users);
  EXPECT_EQ(Squads().SquadCount(), 0);
}

}  // namespace
}  // namespace tallyhall
