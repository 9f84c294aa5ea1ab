// ?scoreadd, ?scoreedit and ?scoredelete: replies, terminal lines, refusals,
// and the renumbering of players present, score references and squad owners
// after a deletion.
#include "commands/score_record_commands.h"

#include <gtest/gtest.h>

#include "commands/score_records.h"
#include "commands/score_table.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

const std::string kPrefix = "Main(ServerID:1 GroupID:1 ScoreID:1";
constexpr std::int32_t kOtherMac = 88;

class ScoreRecordCommandsTest : public ScoreZoneTest {
 protected:
  std::int32_t ScoreIdOf(std::int32_t user_id) {
    return BytesToInt32(dbs().users.GetUserField(user_id, UserField::kScoreID));
  }
  // A player present with record `user_id`.
  void Present(std::string name, std::int32_t player_id, std::int32_t user_id) {
    AddPresentPlayer(1, std::move(name), player_id).UserID = user_id;
  }
};

TEST_F(ScoreRecordCommandsTest, ScoreAddAddsNewIdentitiesOnly) {
  AddRecord(dbs(), "Bob", kAnnMac);
  Ann().IsAccountOp = -1;
  const std::string format = "Format: ?scoreadd (ip):(macid):(name)";
  const std::string added_line =
      kPrefix + ") User Added to User Database by Ann (Biller AccountOp)";
  struct Case {
    std::string_view command;
    Lines replies;
    bool added;
  };
  const Case cases[] = {
      {"?scoreadd 1.2.3.4:77:bob",
       {"The record already exists. UserID:1"},
       false},
      {"?scoreadd 1.2.3.4:78:Bob", {"2. Bob User Database record added"}, true},
      {"?scoreadd  5.6.7.8:9:Cy:the third",
       {"3. Cy:the third User Database record added"},
       true},
      {"?scoreadd 1.2.3.4:77", {format}, false},
      {"?scoreadd 1.2.3.4", {format}, false},
      // No address in the IP text: refused, nothing added.
      {"?scoreadd 1.2.3:77:Dee", {format}, false},
      {"?scoreadd 1.2.3.256:77:Dee", {format}, false},
  };
  for (const Case& c : cases) {
    const std::int32_t before = dbs().users.UserCount();
    EXPECT_EQ(AnnTypes(c.command), c.replies) << c.command;
    EXPECT_EQ(TakeLines(), c.added ? Lines{added_line} : Lines{}) << c.command;
    EXPECT_EQ(dbs().users.UserCount(), before + (c.added ? 1 : 0));
  }
  const std::string record = dbs().users.GetUserRecord(2);
  EXPECT_EQ(record.substr(140, 8), Hex("01 02 03 04 4e 00 00 00"));
  EXPECT_EQ(ScoreIdOf(2), 2);
  EXPECT_EQ(dbs().scores.GetScoreRecord(2), std::string(14, '\0'));
  EXPECT_EQ(dbs().scores.ScoreCount(), 3);

  Ann().IsAccountOp = 0;
  EXPECT_TRUE(AnnTypes("?scoreadd 1.2.3.4:79:Eve").empty());
  EXPECT_EQ(dbs().users.UserCount(), 3);
}

TEST_F(ScoreRecordCommandsTest, ScoreEditStoresConvertedValues) {
  AddRecord(dbs(), "Bob", kOtherMac);
  AddRecord(dbs(), "Cy", kOtherMac);
  Present("Cy", 6, 2);
  AddRecord(dbs(), "Dee", kOtherMac);
  dbs().users.SetUserField(3, UserField::kScoreID, Int32ToBytes(0));
  Ann().IsAccountOp = -1;
  const std::string changed_line =
      kPrefix +
      ") Score data modified to User Database by Ann (Biller AccountOp)";
  const std::string kept = "kept";
  struct Case {
    std::string_view command;
    Lines replies;
    Lines lines;         // terminal lines
    std::string record;  // Bob's score record afterwards, or "kept"
  };
  const Case cases[] = {
      {"?scoreedit 1 1 2 3 4",
       {"Format: ?scoreedit (UserID) (Win) (Loss) (Ratio) (KillPoints) "
        "(FlagPoints)"},
       {},
       kept},
      {"?scoreedit 1 1 2 3 4 5",
       {"1. Score data changed"},
       {changed_line},
       ScoreBytes({1, 2, 3, 4, 5})},
      {"?scoreedit  1 -1 2.5 3.5 -2147483648 2147483647",
       {"1. Score data changed"},
       {changed_line},
       ScoreBytes({-1, 2, 4, INT32_MIN, INT32_MAX})},
      {"?scoreedit 1 40000 0 0 0 0",
       {"1. Score data changed"},
       {"Overflow 6", changed_line},
       ScoreBytes({})},
      {"?scoreedit 1 x 1 1 2147483648 ",
       {"1. Score data changed"},
       {"Invalid procedure call or argument 5", "Overflow 6",
        "Invalid procedure call or argument 5", changed_line},
       ScoreBytes({0, 1, 1, 0, 0})},
      {"?scoreedit 0 1 2 3 4 5", {"UserID is out of bounds"}, {}, kept},
      {"?scoreedit 4 1 2 3 4 5", {"UserID is out of bounds"}, {}, kept},
      {"?scoreedit 2 1 2 3 4 5", {"2. Cy Must log off first."}, {}, kept},
      // Dee has no score record: nothing is stored and nothing claimed.
      {"?scoreedit 3 1 2 3 4 5", {}, {"Subscript out of range 9"}, kept},
  };
  for (const Case& c : cases) {
    const std::string before = dbs().scores.GetScoreRecord(1);
    EXPECT_EQ(AnnTypes(c.command), c.replies) << c.command;
    EXPECT_EQ(TakeLines(), c.lines) << c.command;
    EXPECT_EQ(dbs().scores.GetScoreRecord(1),
              c.record == kept ? before : c.record)
        << c.command;
  }
  EXPECT_EQ(dbs().scores.GetScoreRecord(2), std::string(14, '\0'));
  EXPECT_EQ(dbs().scores.ScoreCount(), 3);
  Ann().IsAccountOp = 0;
  EXPECT_TRUE(AnnTypes("?scoreedit 1 9 9 9 9 9").empty());
  EXPECT_EQ(dbs().scores.GetScoreRecord(1), ScoreBytes({0, 1, 1, 0, 0}));
}

// Five records whose ScoreIDs are out of UserID order, three players
// present besides Ann, and squads owned by records before, at and behind
// record 3.
class ScoreDeleteTest : public ScoreRecordCommandsTest {
 protected:
  void SetUp() override {
    ScoreRecordCommandsTest::SetUp();
    const std::pair<const char*, std::int32_t> records[] = {{"Ann", kAnnMac},
                                                            {"Bob", kOtherMac},
                                                            {"Cy", kAnnMac},
                                                            {"Dee", kOtherMac},
                                                            {"Eve", kOtherMac}};
    const std::int32_t score_ids[] = {5, 1, 3, 2, 4};
    for (const auto& [name, mac] : records) AddRecord(dbs(), name, mac);
    for (std::int32_t id = 1; id <= 5; ++id) {
      dbs().users.SetUserField(id, UserField::kScoreID,
                               Int32ToBytes(score_ids[id - 1]));
      // Each record's Win and KillPoints tell whose scores they are.
      dbs().scores.PutScoreRecord(
          score_ids[id - 1], ScoreBytes({.win = static_cast<std::int16_t>(id),
                                         .kill_points = id * 100}));
    }
    Ann().UserID = 1;
    Present("Cy", 6, 3);
    Present("Dee", 7, 4);
    Present("Eve", 8, 5);
    for (std::int32_t owner : {3, 5, 2, 0, 1}) {
      dbs().squads.AppendSquad("s" + std::to_string(owner), "", owner);
    }
  }
  std::vector<std::int32_t> PlayerUserIds() {
    std::vector<std::int32_t> ids;
    for (const ZonePlayer& player : Zone(1).Players)
      ids.push_back(player.UserID);
    return ids;
  }
  // Names and the Win each record's score record holds, in UserID order.
  std::string Records() {
    std::string text;
    for (std::int32_t id = 1; id <= dbs().users.UserCount(); ++id) {
      text += UserName(dbs(), id) + "=" +
              std::to_string(UserScores(dbs(), id).win) + " ";
    }
    return text;
  }
  std::vector<std::int32_t> Owners() {
    std::vector<std::int32_t> owners;
    for (std::int32_t id = 1; id <= dbs().squads.SquadCount(); ++id) {
      owners.push_back(
          BytesToInt32(dbs().squads.GetSquadField(id, SquadField::kOwner)));
    }
    return owners;
  }
};

TEST_F(ScoreDeleteTest, DeletionRenumbersPlayersScoreReferencesAndOwners) {
  EXPECT_EQ(AnnTypes("?scoredelete 3"),
            (Lines{AtColumns({{3, "Name"},
                              {28, "Squad"},
                              {53, "Win"},
                              {59, "Loss"},
                              {65, "Ratio"},
                              {71, "KillPoints"},
                              {82, "FlagPoints"}}),
                   AtColumns({{0, "3. "},
                              {3, "Cy"},
                              {53, "3"},
                              {59, "0"},
                              {65, "0"},
                              {71, "300"},
                              {82, "0"}}),
                   "User Database record is successfully deleted."}));
  EXPECT_EQ(RepliesTo(1, 6),
            Lines{"3. Cy Your current User Database record has been deleted "
                  "by Ann"});
  EXPECT_TRUE(RepliesTo(1, 7).empty());
  EXPECT_TRUE(RepliesTo(1, 8).empty());
  EXPECT_EQ(TakeLines(),
            Lines{kPrefix + ") User record deleted from User Database by Ann"});
  EXPECT_EQ(PlayerUserIds(), (std::vector<std::int32_t>{1, 0, 3, 4}));
  // Ann, before the deleted record, had ScoreID 5 and still finds her own.
  EXPECT_EQ(Records(), "Ann=1 Bob=2 Dee=4 Eve=5 ");
  EXPECT_EQ(dbs().scores.ScoreCount(), 4);
  EXPECT_EQ(Owners(), (std::vector<std::int32_t>{0, 4, 2, 0, 1}));
}

TEST_F(ScoreDeleteTest, RefusalsAndWhoMayDeleteWhat) {
  struct Case {
    std::string_view command;
    bool account_op;
    std::string last_reply;
    std::string records;  // afterwards
  };
  const std::string done = "User Database record is successfully deleted.";
  const std::string all = "Ann=1 Bob=2 Cy=3 Dee=4 Eve=5 ";
  const Case cases[] = {
      {"?scoredelete", false, "UserID is out of bounds", all},
      {"?scoredelete 0", true, "UserID is out of bounds", all},
      {"?scoredelete 6", true, "UserID is out of bounds", all},
      {"?scoredelete 2", false, "User Database record is not yours.", all},
      {"?scoredelete 5", true, done, "Ann=1 Bob=2 Cy=3 Dee=4 "},
      {"?scoredelete 1", false, done, "Bob=2 Cy=3 Dee=4 "},
  };
  for (const Case& c : cases) {
    Ann().IsAccountOp = c.account_op ? -1 : 0;
    const Lines replies = AnnTypes(c.command);
    ASSERT_FALSE(replies.empty()) << c.command;
    EXPECT_EQ(replies.back(), c.last_reply) << c.command;
    EXPECT_EQ(Records(), c.records) << c.command;
  }
  // Eve, deleted as the last record, and Ann, who deleted her own current
  // record, both got the notice and hold no record now.
  EXPECT_EQ(RepliesTo(1, 8),
            Lines{"5. Eve Your current User Database record has been deleted "
                  "by Ann"});
  EXPECT_EQ(PlayerUserIds(), (std::vector<std::int32_t>{0, 2, 3, 0}));
}

TEST_F(ScoreDeleteTest, RecordWithoutScoreRecordMovesNoScores) {
  for (std::int32_t score_id : {0, -4, 99}) {
    dbs().users.SetUserField(2, UserField::kScoreID, Int32ToBytes(score_id));
    RemoveUserWithScores(dbs(), 2);
    EXPECT_EQ(dbs().scores.ScoreCount(), 5) << score_id;
    EXPECT_EQ(ScoreIdOf(1), 5) << score_id;
    EXPECT_EQ(UserScores(dbs(), 1).win, 1) << score_id;
  }
  EXPECT_EQ(Records(), "Ann=1 Eve=5 ");
}

}  // namespace
}  // namespace tallyhall
