// The score table and the score commands: column positions, values wider
// than their columns, range and filtered paging at their edges, ?scorefind
// matching and the ?scoreswap steps.
#include "commands/score_commands.h"

#include <gtest/gtest.h>

#include "commands/score_records.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

using ScoreCommandsTest = ScoreZoneTest;

// The listing header with labels `w` digits wide: names at w + 2.
std::string ListingHeader(std::size_t w) { return HeaderFrom(w + 2); }

TEST_F(ScoreCommandsTest, RowsPutEveryValueAtItsColumn) {
  dbs().squads.AppendSquad("Alpha", "", 0);
  for (int i = 1; i <= 150; ++i) AddRecord(dbs(), "p" + std::to_string(i), 1);
  struct Case {
    std::string_view what;
    std::string name;
    ScoreFields scores;
    std::int32_t score_id;  // 0: the record's own
    std::int32_t squad_id;
    std::string row;
    int failures;  // padding steps that fail
  };
  const Case cases[] = {
      {"plain",
       "Bob",
       {3, -1, 258, 100000, -2},
       0,
       1,
       AtColumns({{0, "  7. "},
                  {5, "Bob"},
                  {30, "Alpha"},
                  {55, "3"},
                  {61, "-1"},
                  {67, "258"},
                  {73, "100000"},
                  {84, "-2"},
                  {95, "99998"}}),
       0},
      {"widest that fit",
       std::string(24, 'n'),
       {-9999, 32767, -1, -999999999, 2147483647},
       0,
       0,
       AtColumns({{0, "  7. "},
                  {5, std::string(24, 'n')},
                  {55, "-9999"},
                  {61, "32767"},
                  {67, "-1"},
                  {73, "-999999999"},
                  {84, "2147483647"},
                  {95, "1147483648"}}),
       0},
      // Each value too wide has no padding, only its blank; TotalPoints is
      // the exact sum beyond 32 bits.
      {"too wide",
       "Bob",
       {-10000, 0, -32768, INT32_MIN, INT32_MIN},
       0,
       0,
       AtColumns({{0, "  7. "},
                  {5, "Bob"},
                  {55, "-10000"},
                  {62, "0"},
                  {68, "-32768"},
                  {75, "-2147483648"},
                  {87, "-2147483648"},
                  {99, "-4294967296"}}),
       4},
      {"no score record, no squad",
       "Bob",
       {5, 5, 5, 5, 5},
       999,
       9,
       AtColumns({{0, "  7. "},
                  {5, "Bob"},
                  {55, "0"},
                  {61, "0"},
                  {67, "0"},
                  {73, "0"},
                  {84, "0"},
                  {95, "0"}}),
       0},
  };
  for (const Case& c : cases) {
    dbs().users.SetUserField(7, UserField::kName, c.name);
    dbs().users.SetUserField(7, UserField::kSquadID, Int32ToBytes(c.squad_id));
    dbs().users.SetUserField(7, UserField::kScoreID,
                             Int32ToBytes(c.score_id ? c.score_id : 7));
    dbs().scores.PutScoreRecord(7, ScoreBytes(c.scores));
    const Lines replies = AnnTypes("?scoreall");
    ASSERT_EQ(replies.size(), 42u) << c.what;
    EXPECT_EQ(replies[0], ListingHeader(3)) << c.what;
    EXPECT_EQ(replies[7], c.row) << c.what;
    EXPECT_EQ(TakeLines(), Lines(static_cast<std::size_t>(c.failures),
                                 "Invalid procedure call or argument 5"))
        << c.what;
  }
}

TEST_F(ScoreCommandsTest, ListingsPageByRangeAndByFilter) {
  // 90 records; the odd ones (45) carry Ann's MacID.
  for (int i = 1; i <= 90; ++i) {
    AddRecord(dbs(), "p" + std::to_string(i), i % 2 ? kAnnMac : 88);
  }
  struct Case {
    std::string_view command;
    std::size_t rows;
    std::string_view first;  // label of the first row
    std::string_view last;   // label of the last row
    std::string_view footer;
  };
  const Case cases[] = {
      {"?scoreall", 40, " 1. ", "40. ", "Page 1"},
      {"?scoreall 0", 40, " 1. ", "40. ", "Page 1"},
      {"?scoreall x", 40, " 1. ", "40. ", "Page 1"},
      {"?scoreall 2", 40, "41. ", "80. ", "Page 2"},
      {"?scoreall3", 10, "81. ", "90. ", "Page 3"},
      {"?scoreall 4", 0, "", "", "Page 4"},
      {"?scoreall -1", 0, "", "", "Page -1"},
      {"?scoreown", 39, " 1. ", "77. ", "Page 1"},
      {"?scoreown 1", 39, " 1. ", "77. ", "Page 1"},
      {"?scoreown 2", 6, "79. ", "89. ", "Page 2"},
      {"?scoreown 3", 0, "", "", "Page 3"},
      {"?scoreown -2", 0, "", "", "Page -2"},
  };
  for (const Case& c : cases) {
    const Lines replies = AnnTypes(c.command);
    ASSERT_EQ(replies.size(), c.rows + 2) << c.command;
    EXPECT_EQ(replies.front(), ListingHeader(2)) << c.command;
    EXPECT_EQ(replies.back(), c.footer) << c.command;
    if (c.rows == 0) continue;
    EXPECT_TRUE(replies[1].starts_with(c.first)) << c.command;
    EXPECT_TRUE(replies[c.rows].starts_with(c.last)) << c.command;
  }
  EXPECT_TRUE(TakeLines().empty());
  EXPECT_EQ(AnnTypes("?scoreall 99999999999").back(), "Page 1");
  EXPECT_EQ(TakeLines(), Lines{"Overflow 6"});
}

TEST_F(ScoreCommandsTest, ScoreFindMatchesWholeNamesWithoutCase) {
  for (const char* name : {"bob", "Bobby", "BOB", "big bob", "Bob", "ann"}) {
    AddRecord(dbs(), name, 1);
  }
  const std::string format = "Format: ?scorefind (page) (name)";
  struct Case {
    std::string_view command;
    Lines labels;  // labels of the rows; {"format"} for the format reply
    std::string_view footer;
  };
  const Case cases[] = {
      {"?scorefind 1 Bob", {"1. ", "3. ", "5. "}, "Page 1"},
      {"?scorefind   0 bob", {"1. ", "3. ", "5. "}, "Page 1"},
      {"?scorefind 1 big bob", {"4. "}, "Page 1"},
      {"?scorefind 1 BOBBY", {"2. "}, "Page 1"},
      {"?scorefind 1 nobody", {}, "Page 1"},
      {"?scorefind 2 bob", {}, "Page 2"},
      {"?scorefind bob", {"format"}, ""},
      {"?scorefind 1", {"format"}, ""},
      {"?scorefind 1 ", {"format"}, ""},
      {"?scorefind x bob", {"format"}, ""},
  };
  for (const Case& c : cases) {
    const Lines replies = AnnTypes(c.command);
    if (c.labels == Lines{"format"}) {
      EXPECT_EQ(replies, Lines{format}) << c.command;
      continue;
    }
    ASSERT_EQ(replies.size(), c.labels.size() + 2) << c.command;
    EXPECT_EQ(replies.front(), ListingHeader(1)) << c.command;
    for (std::size_t i = 0; i < c.labels.size(); ++i) {
      EXPECT_TRUE(replies[i + 1].starts_with(c.labels[i])) << c.command;
    }
    EXPECT_EQ(replies.back(), c.footer) << c.command;
  }
}

TEST_F(ScoreCommandsTest, ScoreSwapSetsReplacesAndClearsTheSwapName) {
  Ann().UserID = AddRecord(dbs(), "Ann", kAnnMac);
  AddRecord(dbs(), "AltName", kAnnMac);
  AddRecord(dbs(), "Other", 88);
  const std::string none =
      "You must specify one of your names. Send ?scoreown for all your names.";
  const std::string unknown =
      "User name is not yours or unknown in User Database.";
  struct Step {
    std::string_view command;
    std::string reply;
    std::string swap_name;
  };
  const Step steps[] = {
      {"?scoreswap", none, ""},
      {"?scoreswap other", unknown, ""},
      {"?scoreswap   altname",
       "ENABLED: Score swap of Ann with AltName on exit", "AltName"},
      {"?scoreswap nobody", unknown, "AltName"},
      {"?scoreswap altname ", unknown, "AltName"},
      {"?scoreswapANN", "ENABLED: Score swap of Ann with Ann on exit", "Ann"},
      {"?scoreswap", "DISABLED: Score swap of Ann with Ann on exit", ""},
      {"?scoreswap  ", none, ""},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(AnnTypes(step.command), Lines{step.reply}) << step.command;
    EXPECT_EQ(Ann().SwapName, step.swap_name) << step.command;
  }
  EXPECT_TRUE(TakeLines().empty());
}

}  // namespace
}  // namespace tallyhall
