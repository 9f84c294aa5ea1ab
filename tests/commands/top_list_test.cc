// ?top: the window of ranks, argument forms, ties in UserID order, the
// column positions, and the selected window against a full stable sort on
// random databases.
#include "commands/top_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "commands/score_records.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

using TopListTest = ScoreZoneTest;

// The top-list header for N of `w` digits: names at w + 1.
std::string TopHeader(std::size_t w) { return HeaderFrom(w + 1); }

TEST_F(TopListTest, WindowsOfTenRanksByEachArgumentForm) {
  // p1..p25: KillPoints rise with the number, Win falls.
  for (int i = 1; i <= 25; ++i) {
    AddRecord(
        dbs(), "p" + std::to_string(i), 1,
        {.win = static_cast<std::int16_t>(100 - i), .kill_points = i * 10});
  }
  struct Case {
    std::string_view command;
    std::size_t w;
    int first_rank;
    Lines rows;  // label and name of each row
  };
  const Case cases[] = {
      {"?top10",
       2,
       1,
       {" 1 p25", " 2 p24", " 3 p23", " 4 p22", " 5 p21", " 6 p20", " 7 p19",
        " 8 p18", " 9 p17", "10 p16"}},
      {"?top30", 2, 21, {"21 p5", "22 p4", "23 p3", "24 p2", "25 p1"}},
      {"?top5", 1, 1, {"1 p25", "2 p24", "3 p23", "4 p22", "5 p21"}},
      {"?top15 total",
       2,
       6,
       {" 6 p20", " 7 p19", " 8 p18", " 9 p17", "10 p16", "11 p15", "12 p14",
        "13 p13", "14 p12", "15 p11"}},
      {"?top12 win",
       2,
       3,
       {" 3 p3", " 4 p4", " 5 p5", " 6 p6", " 7 p7", " 8 p8", " 9 p9", "10 p10",
        "11 p11", "12 p12"}},
      {"?top 3   win", 1, 1, {"1 p1", "2 p2", "3 p3"}},
      {"?top3 Win", 1, 1, {"1 p25", "2 p24", "3 p23"}},
      {"?top3 win ", 1, 1, {"1 p25", "2 p24", "3 p23"}},
      {"?top3win", 1, 1, {"1 p25", "2 p24", "3 p23"}},
      {"?top", 1, 0, {}},
      {"?top0", 1, 0, {}},
      {"?top-5 win", 1, 0, {}},
      {"?top40", 2, 0, {}},
  };
  for (const Case& c : cases) {
    const Lines replies = AnnTypes(c.command);
    ASSERT_EQ(replies.size(), c.rows.size() + 1) << c.command;
    EXPECT_EQ(replies[0], TopHeader(c.w)) << c.command;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      EXPECT_EQ(replies[i + 1].substr(0, c.rows[i].size() + 1), c.rows[i] + " ")
          << c.command << " row " << i;
    }
  }
  EXPECT_EQ(AnnTypes("?top 10 kill"), AnnTypes("?top10 kill"));
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(TopListTest, TiesKeepUserIdOrderAndRowsCarryTheirOwnColumns) {
  dbs().squads.AppendSquad("Red", "", 0);
  AddRecord(dbs(), "Ann", 1, {.win = 1, .kill_points = 2, .flag_points = 3});
  AddRecord(dbs(), "Bob", 1, {.kill_points = 7});
  AddRecord(dbs(), "Cy", 1, {.flag_points = 5});
  AddRecord(dbs(), "Dee", 1, {.kill_points = 9});
  dbs().users.SetUserField(4, UserField::kScoreID, Int32ToBytes(99));
  AddRecord(dbs(), "Eve", 1, {.loss = -2, .ratio = 4, .kill_points = 5}, 1);
  AddRecord(dbs(), "Fay", 1,
            {.kill_points = INT32_MAX, .flag_points = INT32_MIN});
  const Lines replies = AnnTypes("?top10");
  const Lines expected = {
      TopHeader(2),
      AtColumns({{0, " 1 "},
                 {3, "Bob"},
                 {53, "0"},
                 {59, "0"},
                 {65, "0"},
                 {71, "7"},
                 {82, "0"},
                 {93, "7"}}),
      AtColumns({{0, " 2 "},
                 {3, "Ann"},
                 {53, "1"},
                 {59, "0"},
                 {65, "0"},
                 {71, "2"},
                 {82, "3"},
                 {93, "5"}}),
      AtColumns({{0, " 3 "},
                 {3, "Cy"},
                 {53, "0"},
                 {59, "0"},
                 {65, "0"},
                 {71, "0"},
                 {82, "5"},
                 {93, "5"}}),
      AtColumns({{0, " 4 "},
                 {3, "Eve"},
                 {28, "Red"},
                 {53, "0"},
                 {59, "-2"},
                 {65, "4"},
                 {71, "5"},
                 {82, "0"},
                 {93, "5"}}),
      AtColumns({{0, " 5 "},
                 {3, "Dee"},
                 {53, "0"},
                 {59, "0"},
                 {65, "0"},
                 {71, "0"},
                 {82, "0"},
                 {93, "0"}}),
      AtColumns({{0, " 6 "},
                 {3, "Fay"},
                 {53, "0"},
                 {59, "0"},
                 {65, "0"},
                 {71, "2147483647"},
                 {82, "-2147483648"},
                 {94, "-1"}}),
  };
  EXPECT_EQ(replies, expected);
  // FlagPoints of eleven characters: one failed padding step.
  EXPECT_EQ(TakeLines(), Lines{"Invalid procedure call or argument 5"});
}

TEST_F(TopListTest, ThreeDigitWindowAlignsRanksRight) {
  for (int i = 1; i <= 100; ++i) {
    AddRecord(dbs(), "p" + std::to_string(i), 1, {.kill_points = -i});
  }
  const Lines replies = AnnTypes("?top100");
  ASSERT_EQ(replies.size(), 11u);
  EXPECT_TRUE(replies[0].starts_with("    Name "));
  EXPECT_TRUE(replies[1].starts_with(" 91 p91 "));
  EXPECT_TRUE(replies[5].starts_with(" 95 p95 "));
  EXPECT_TRUE(replies[10].starts_with("100 p100 "));
}

// The ranking as a full stable sort would give it.
std::vector<std::int32_t> NaiveWindow(const std::vector<std::int64_t>& keys,
                                      std::int64_t first, std::int64_t last) {
  std::vector<std::int32_t> ids(keys.size());
  std::iota(ids.begin(), ids.end(), 1);
  std::stable_sort(ids.begin(), ids.end(), [&](std::int32_t a, std::int32_t b) {
    return keys[a - 1] > keys[b - 1];
  });
  const auto low = std::clamp<std::int64_t>(first - 1, 0, std::ssize(ids));
  const auto high = std::clamp<std::int64_t>(last, low, std::ssize(ids));
  return {ids.begin() + low, ids.begin() + high};
}

std::int64_t MeasureOf(const ScoreFields& s, TopMeasure measure) {
  switch (measure) {
    case TopMeasure::kWin:
      return s.win;
    case TopMeasure::kLoss:
      return s.loss;
    case TopMeasure::kRatio:
      return s.ratio;
    case TopMeasure::kKill:
      return s.kill_points;
    case TopMeasure::kFlag:
      return s.flag_points;
    case TopMeasure::kTotal:
      return std::int64_t{s.kill_points} + s.flag_points;
  }
  return 0;
}

TEST(RankWindowTest, SelectedWindowsEqualAFullStableSort) {
  constexpr TopMeasure kMeasures[] = {TopMeasure::kWin,   TopMeasure::kLoss,
                                      TopMeasure::kRatio, TopMeasure::kKill,
                                      TopMeasure::kFlag,  TopMeasure::kTotal};
  for (unsigned seed : {1u, 2u, 3u}) {
    for (std::int32_t count : {0, 1, 9, 10, 11, 137, 2000}) {
      std::mt19937 random(seed * 7919 + static_cast<unsigned>(count));
      ZoneDatabases dbs;
      std::vector<ScoreFields> stored;
      for (std::int32_t i = 0; i < count; ++i) {
        // Few distinct small values make ties; extremes test 64-bit sums.
        auto small = [&] {
          return static_cast<std::int16_t>(random() % 7) - 3;
        };
        const bool extreme = random() % 5 == 0;
        ScoreFields s{
            .win = static_cast<std::int16_t>(small()),
            .loss = static_cast<std::int16_t>(small()),
            .ratio = static_cast<std::int16_t>(random()),
            .kill_points = extreme ? INT32_MAX : small(),
            .flag_points =
                extreme ? INT32_MAX - static_cast<int>(random() % 4) : small()};
        AddRecord(dbs, "p", 1, s);
        // Some records name no score record and rank as zeros.
        if (random() % 9 == 0) {
          dbs.users.SetUserField(i + 1, UserField::kScoreID,
                                 Int32ToBytes(count + 5));
          s = {};
        }
        stored.push_back(s);
      }
      for (TopMeasure measure : kMeasures) {
        std::vector<std::int64_t> keys;
        for (const ScoreFields& s : stored)
          keys.push_back(MeasureOf(s, measure));
        const std::pair<std::int64_t, std::int64_t> windows[] = {
            {1, 10},
            {-8, 1},
            {count - 9, count},
            {count / 2 - 4, count / 2 + 5},
            {count, count + 9},
            {count + 1, count + 10},
            {1, count}};
        for (const auto& [first, last] : windows) {
          EXPECT_EQ(RankWindow(dbs, measure, first, last),
                    NaiveWindow(keys, first, last))
              << "seed " << seed << " count " << count << " measure "
              << static_cast<int>(measure) << " window " << first << ".."
              << last;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tallyhall
