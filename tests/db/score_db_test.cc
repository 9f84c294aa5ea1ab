// Score Database: record bytes, growth past the end, and refusal of sizes
// that would corrupt the layout or exhaust memory.
#include "db/score_db.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "db/encoding.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

const std::string kZero(14, '\0');

TEST(ScoreDatabaseTest, StoresRecordBytesAsGiven) {
  ScoreDatabase db;
  EXPECT_EQ(db.AddScoreRecord(), 1);
  // Win 3, Loss -1, Ratio 258, KillPoints 100000, FlagPoints -2.
  const std::string record = Hex("03 00 ff ff 02 01 a0 86 01 00 fe ff ff ff");
  db.PutScoreRecord(1, record);
  EXPECT_EQ(db.bytes(), record);
  EXPECT_EQ(db.GetScoreRecord(1), record);
}

TEST(ScoreDatabaseTest, RecordsSurviveEveryGrowthOfTheBuffer) {
  // Past 4 MB the grown buffer is asked of the kernel in one piece.
  ScoreDatabase db;
  std::string expected;
  for (int id = 1; id <= 400000; ++id) {
    ASSERT_EQ(db.AddScoreRecord(), id);
    std::string record = kZero;
    record.replace(0, 4, Int32ToBytes(id));
    db.PutScoreRecord(id, record);
    expected += record;
  }
  EXPECT_TRUE(db.bytes() == expected);
}

TEST(ScoreDatabaseTest, IdsOutsideTheCountReadAsZeroAndDoNotWrite) {
  ScoreDatabase db;
  db.AddScoreRecord();
  for (int id : {0, -1, 2}) {
    EXPECT_EQ(db.GetScoreRecord(id), kZero) << id;
    EXPECT_TRUE(db.ScoreRecordView(id).empty()) << id;
  }
  EXPECT_EQ(db.ScoreRecordView(1), kZero);
  db.PutScoreRecord(0, std::string(14, 'x'));
  db.PutScoreRecord(-5, std::string(14, 'x'));
  EXPECT_EQ(db.bytes(), kZero);
  EXPECT_EQ(db.ScoreCount(), 1);
}

TEST(ScoreDatabaseTest, WritingPastTheEndZeroesTheGap) {
  ScoreDatabase db;
  db.Assign(std::string(7 * 14, 'a'), 7);
  db.PutScoreRecord(10, std::string(14, 'z'));
  EXPECT_EQ(db.ScoreCount(), 10);
  ASSERT_EQ(db.bytes().size(), 140u);
  EXPECT_EQ(db.GetScoreRecord(7), std::string(14, 'a'));
  EXPECT_EQ(db.GetScoreRecord(8), kZero);
  EXPECT_EQ(db.GetScoreRecord(9), kZero);
  EXPECT_EQ(db.GetScoreRecord(10), std::string(14, 'z'));
  EXPECT_EQ(db.AddScoreRecord(), 11);
  EXPECT_EQ(db.GetScoreRecord(11), kZero);
}

TEST(ScoreDatabaseTest, RecordsOfAnotherSizeAreFittedInPlace) {
  ScoreDatabase db;
  db.Assign(std::string(3 * 14, 'a'), 3);
  db.PutScoreRecord(2, "short");
  db.PutScoreRecord(3, std::string(20, 'L'));
  EXPECT_EQ(db.bytes(), std::string(14, 'a') + "short" + std::string(9, '\0') +
                            std::string(14, 'L'));
}

TEST(ScoreDatabaseTest, AbsurdIdIsRefusedWithoutGrowing) {
  ScoreDatabase db;
  db.AddScoreRecord();
  EXPECT_THROW(db.PutScoreRecord(2000000000, kZero), std::length_error);
  EXPECT_THROW(db.PutScoreRecord(2147483647, kZero), std::length_error);
  EXPECT_EQ(db.ScoreCount(), 1);
  EXPECT_EQ(db.bytes().size(), 14u);
}

TEST(ScoreDatabaseTest, RemovingARecordMovesLaterOnesDown) {
  ScoreDatabase db;
  db.Assign("a" + std::string(13, '1') + "b" + std::string(13, '2') + "c" +
                std::string(13, '3'),
            3);
  for (int id : {0, -1, 4}) EXPECT_FALSE(db.RemoveScoreRecord(id)) << id;
  EXPECT_EQ(db.ScoreCount(), 3);
  EXPECT_TRUE(db.RemoveScoreRecord(2));
  EXPECT_EQ(db.bytes(),
            "a" + std::string(13, '1') + "c" + std::string(13, '3'));
  EXPECT_TRUE(db.RemoveScoreRecord(2));
  EXPECT_EQ(db.ScoreCount(), 1);
  EXPECT_EQ(db.AddScoreRecord(), 2);
  EXPECT_EQ(db.GetScoreRecord(2), kZero);
}

}  // namespace
}  // namespace tallyhall
