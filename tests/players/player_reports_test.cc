// Player logoff (usage, scores, score swap, removal), data block and score
// update, including reports cut short and reports for unknown players.
#include "players/player_reports.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/core_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

const std::string kPrefix = "Zone(ServerID:1 GroupID:1 ScoreID:1";
const std::string kReported = Hex("0a 00 0b 00 0c 00 0d 00 00 00 0e 00 00 00");
const std::string kOtherOld = Hex("01 00 01 00 01 00 01 00 00 00 01 00 00 00");

class PlayerReportsTest : public CoreTest {
 protected:
  void SetUp() override {
    LoginZone(1);
    LoginPlayer(1, "Main", 1, 77);  // UserID 1, ScoreID 1
    LoginPlayer(1, "Alt", 2, 77);   // UserID 2, ScoreID 2
    RemovePlayer(Zone(1), 2);
    scores().PutScoreRecord(2, kOtherOld);
    TakeLines();
  }

  // Logoff of `pid` with a usage value and, when not empty, a score block.
  void Logoff(std::int32_t pid, std::int16_t usage = 1,
              const std::string& score = "") {
    ReceiveReliable(ZoneAddress(1), PlayerLogoffMessage(pid, usage, score));
  }

  std::int32_t Usage(std::int32_t user_id) {
    return BytesToInt32(users().GetUserField(user_id, UserField::kUsageTotal));
  }
  UserDatabase& users() { return Zone(1).databases.users; }
  ScoreDatabase& scores() { return Zone(1).databases.scores; }
};

TEST_F(PlayerReportsTest, LogoffWithoutScoreBlockAddsUsageOnly) {
  users().SetUserField(1, UserField::kUsageTotal, Int32ToBytes(10));
  Logoff(1, 5);
  EXPECT_EQ(Usage(1), 15);
  EXPECT_EQ(scores().GetScoreRecord(1), std::string(14, '\0'));
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{kPrefix + ") Main logging off"});
  EXPECT_EQ(Zone(1).PlayerCount(), 0);
}

TEST_F(PlayerReportsTest, LogoffStoresScoresAndNegativeUsage) {
  users().SetUserField(1, UserField::kUsageTotal, Int32ToBytes(10));
  Logoff(1, -1, kReported);
  EXPECT_EQ(Usage(1), 9);
  EXPECT_EQ(scores().GetScoreRecord(1), kReported);
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{kPrefix + ") Main logging off",
                                      "Score data updated to Score Database"}));
}

TEST_F(PlayerReportsTest, UsageOverflowIsLoggedAndLogoffGoesOn) {
  users().SetUserField(1, UserField::kUsageTotal, Hex("ff ff ff 7f"));
  Logoff(1, 1, kReported);
  EXPECT_EQ(Usage(1), 0x7fffffff);
  EXPECT_EQ(TakeLines(), (std::vector<std::string>{
                             kPrefix + ") Main logging off", "Overflow 6",
                             "Score data updated to Score Database"}));
  EXPECT_EQ(scores().GetScoreRecord(1), kReported);
  EXPECT_EQ(Zone(1).PlayerCount(), 0);
}

TEST_F(PlayerReportsTest, ShortScoreBlocksAreNotStored) {
  Logoff(1, 0, kReported.substr(0, 5));
  EXPECT_EQ(scores().GetScoreRecord(1), std::string(14, '\0'));
  EXPECT_EQ(TakeLines().size(), 1u);
  LoginPlayer(1, "Main", 1, 77);
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kScoreUpdateType, 1, kReported.substr(0, 13)));
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kDataBlockType, 1, std::string(95, 'd')));
  EXPECT_EQ(scores().GetScoreRecord(1), std::string(14, '\0'));
  EXPECT_EQ(users().GetUserField(1, UserField::kDataBlock),
            std::string(96, '\0'));
}

TEST_F(PlayerReportsTest, ScoreSwapExchangesBothWays) {
  Zone(1).Player(1).SwapName = "Alt";
  Logoff(1, 0, kReported);
  EXPECT_EQ(scores().GetScoreRecord(1), kOtherOld);
  EXPECT_EQ(scores().GetScoreRecord(2), kReported);
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{kPrefix + ") Main logging off",
                                      "Score data updated to Score Database",
                                      "Main Swapped Score with Alt"}));
}

TEST_F(PlayerReportsTest, ScoreSwapWithoutScoreBlockKeepsOtherRecord) {
  Zone(1).Player(1).SwapName = "ALT";
  Logoff(1);
  EXPECT_EQ(scores().GetScoreRecord(1), kOtherOld);
  EXPECT_EQ(scores().GetScoreRecord(2), kOtherOld);
  EXPECT_EQ(TakeLines().back(), "Main Swapped Score with ALT");
}

TEST_F(PlayerReportsTest, ScoreSwapNeedsSameMacId) {
  LoginPlayer(1, "Stranger", 3, 78);  // UserID 3
  RemovePlayer(Zone(1), 2);
  Zone(1).Player(1).SwapName = "Stranger";
  Logoff(1, 0, kReported);
  EXPECT_EQ(scores().GetScoreRecord(1), kReported);
  EXPECT_EQ(scores().GetScoreRecord(3), std::string(14, '\0'));
  EXPECT_EQ(TakeLines().back(), "Score data updated to Score Database");
}

TEST_F(PlayerReportsTest, SwapRecordIsFoundByNameCutAtNul) {
  EXPECT_EQ(FindSwapRecord(users(), 77, "alt"), 2);
  EXPECT_EQ(FindSwapRecord(users(), 77, "Al"), 0);
  // The first 24 bytes of a longer name are not the name.
  users().SetUserField(2, UserField::kName, "abcdefghijklmnopqrstuvwx");
  EXPECT_EQ(FindSwapRecord(users(), 77, "abcdefghijklmnopqrstuvwxy"), 0);
  // Bytes behind the NUL of a stored name do not count.
  users().SetUserField(2, UserField::kName, std::string("Alt\0zz", 6));
  EXPECT_EQ(FindSwapRecord(users(), 77, "ALT"), 2);
  EXPECT_EQ(FindSwapRecord(users(), 77, std::string("Alt\0zz", 6)), 0);
}

// A name with bytes behind its NUL (a file written by other software) still
// comes first in table order.
TEST_F(PlayerReportsTest, ScoreSwapTakesTheFirstRecordOfTheName) {
  users().SetUserField(2, UserField::kName, std::string("Alt\0zz", 6));
  LoginPlayer(1, "ALT", 3, 77);  // UserID 3, ScoreID 3
  RemovePlayer(Zone(1), 2);
  Zone(1).Player(1).SwapName = "alt";
  Logoff(1, 0, kReported);
  EXPECT_EQ(scores().GetScoreRecord(1), kOtherOld);
  EXPECT_EQ(scores().GetScoreRecord(2), kReported);
  EXPECT_EQ(scores().GetScoreRecord(3), std::string(14, '\0'));
}

TEST_F(PlayerReportsTest, DataBlockAndScoreUpdateReturnInNextLoginReply) {
  const std::string block(96, 'd');
  ReceiveReliable(ZoneAddress(1), PlayerMessage(kDataBlockType, 1, block));
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kScoreUpdateType, 1, kReported));
  Logoff(1);
  TakeSent(ZoneAddress(1));
  ReceiveReliable(ZoneAddress(1),
                  PlayerLoginMessage("Main", 1, "", 77, /*confirmed=*/true));
  auto sent = TakeSent(ZoneAddress(1));
  ASSERT_EQ(sent.size(), 2u);  // the acknowledgement, then the reply
  auto reply = DecodeReliable(sent[1]);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->message.substr(54, 96), block);
  EXPECT_EQ(reply->message.substr(178, 14), kReported);
}

TEST_F(PlayerReportsTest, ReportsForUnknownPlayerAreIgnored) {
  Logoff(9, 5, kReported);
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kDataBlockType, 9, std::string(96, 'd')));
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kScoreUpdateType, 9, kReported));
  EXPECT_TRUE(TakeLines().empty());
  EXPECT_EQ(Usage(1), 0);
  EXPECT_EQ(scores().GetScoreRecord(1), std::string(14, '\0'));
  EXPECT_EQ(users().GetUserField(1, UserField::kDataBlock),
            std::string(96, '\0'));
  EXPECT_EQ(Zone(1).PlayerCount(), 1);
}

// A login now replaces a stale entry, so the second entry is put in by hand.
TEST_F(PlayerReportsTest, LogoffRemovesFirstOfTwoEntriesWithSamePlayerId) {
  AddPresentPlayer(1, "Alt", 1);
  TakeLines();
  Logoff(1);
  ASSERT_EQ(Zone(1).PlayerCount(), 1);
  EXPECT_EQ(Zone(1).Player(1).PlayerName, "Alt");
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{kPrefix + ") Main logging off"});
}

}  // namespace
}  // namespace tallyhall
