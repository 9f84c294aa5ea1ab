// The checks of tallyhall-db on hand-made records: references that name no
// record, repeated identities and file sizes that are not whole records; and
// the CSV and JSON quoting of names.
#include "db_tool/db_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/encoding.h"
#include "db_tool/db_text.h"

namespace tallyhall {
namespace {

constexpr LocalTime kCreated{
    .year = 2026, .month = 12, .day = 7, .hour = 9, .minute = 5, .second = 3};

struct UserRow {
  std::string name;
  std::int32_t mac;
  std::int32_t squad;
  std::int32_t score;  // 0: keep the score record AddUser made
};

// A zone with the given users, squads owned by `owners` and `extra_scores`
// score records beyond the users' own.
ZoneFiles MakeZone(const std::vector<UserRow>& users,
                   const std::vector<std::int32_t>& owners,
                   int extra_scores = 0) {
  ZoneFiles zone;
  zone.user.name = "User.1";
  zone.squad.name = "Squad.1";
  zone.score.name = "Score.1";
  ZoneDatabases& dbs = zone.dbs;
  for (const UserRow& row : users) {
    const std::int32_t id = dbs.users.AddUser(
        dbs.scores, row.name, std::string("\x0a\x00\x00\x07", 4),
        Int32ToBytes(row.mac), kCreated);
    dbs.users.SetUserField(id, UserField::kSquadID, Int32ToBytes(row.squad));
    if (row.score != 0) {
      dbs.users.SetUserField(id, UserField::kScoreID, Int32ToBytes(row.score));
    }
  }
  for (std::int32_t owner : owners) dbs.squads.AppendSquad("Sq", "", owner);
  for (int i = 0; i < extra_scores; ++i) dbs.scores.AddScoreRecord();
  return zone;
}

using Lines = std::vector<std::string>;

// The lines that `check` prints through a Problems.
template <typename Check>
Lines Found(Check check) {
  Lines lines;
  Problems problems([&](std::string_view line) { lines.emplace_back(line); });
  check(problems);
  problems.Finish();
  return lines;
}

TEST(DbCheckTest, ReferencesThatNameNoRecordAndRepeatedIdentitiesAreReported) {
  struct Case {
    std::vector<UserRow> users;
    std::vector<std::int32_t> owners;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {{{"Ann", 7, 1, 0}, {"Bob", 7, 0, 0}, {"ann", 8, 2, 0}}, {0, 3}, {}},
      {{{"Ann", 7, 3, 0}, {"Bob", 7, -1, 0}},
       {1},
       {"User.1 UserID 1 (Ann): SquadID 3 names no record of Squad.1 (1 "
        "record)",
        "User.1 UserID 2 (Bob): SquadID -1 names no record of Squad.1 (1 "
        "record)"}},
      {{{"Ann", 7, 0, 3}, {"Bob", 7, 0, -4}},
       {},
       {"User.1 UserID 1 (Ann): ScoreID 3 names no record of Score.1 (2 "
        "records)",
        "User.1 UserID 2 (Bob): ScoreID -4 names no record of Score.1 (2 "
        "records)"}},
      {{{"Ann", 7, 0, 0}},
       {1, 2, -1},
       {"Squad.1 SquadID 2 (Sq): owner UserID 2 names no record of User.1 "
        "(1 record)",
        "Squad.1 SquadID 3 (Sq): owner UserID -1 names no record of User.1 "
        "(1 record)"}},
      // The same name in another letter case and the same MacID is the same
      // identity; each later copy names the first.
      {{{"Ann", 7, 0, 0}, {"ANN", 7, 0, 0}, {"Ann", 8, 0, 0}, {"ann", 7, 0, 0}},
       {},
       {"User.1 UserID 2 (ANN): same name and MacID as UserID 1",
        "User.1 UserID 4 (ann): same name and MacID as UserID 1"}},
      {{{"C\x1b", 7, 9, 0}},
       {},
       {"User.1 UserID 1 (C\\x1B): SquadID 9 names no record of Squad.1 (0 "
        "records)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Found([&](Problems& problems) {
                CheckZoneRecords(MakeZone(c.users, c.owners), problems);
              }),
              c.problems)
        << c.users.front().name;
  }
}

TEST(DbCheckTest, ScoreIDOfARecordBeyondTheUsersOwnIsFine) {
  EXPECT_TRUE(Found([](Problems& problems) {
                CheckZoneRecords(MakeZone({{"Ann", 7, 0, 3}}, {}, 2), problems);
              }).empty());
}

TEST(DbCheckTest, PastAThousandProblemsOfOneKindOnlyTheCountIsShown) {
  std::int64_t count = 0;
  const Lines lines = Found([&](Problems& problems) {
    for (int i = 0; i < 1500; ++i) problems.Add(ProblemKind::kScoreId, "s");
    problems.Add(ProblemKind::kSquadOwner, "o");
    count = problems.count();
  });
  ASSERT_EQ(lines.size(), 1002u);
  EXPECT_EQ(lines[1000], "o");
  EXPECT_EQ(lines[1001], "(500 more ScoreIDs that name no record not shown)");
  EXPECT_EQ(count, 1501);
}

TEST(DbCheckTest, SizesThatAreNotWholeRecordsSayWhatTheServerReads) {
  struct Case {
    std::uint64_t length;
    int record_size;
    std::string problem;
  };
  const Case cases[] = {
      {0, 156, ""},
      {312, 156, ""},
      {200, 156,
       "F: 200 bytes is not a whole number of 156-byte records (44 bytes "
       "over; the server reads 1 record)"},
      {21, 14,
       "F: 21 bytes is not a whole number of 14-byte records (7 bytes over; "
       "the server reads 2 records)"},
      {130, 52,
       "F: 130 bytes is not a whole number of 52-byte records (26 bytes over; "
       "the server reads 2 records)"},
      {1, 14,
       "F: 1 byte is not a whole number of 14-byte records (1 byte over; the "
       "server reads 0 records)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Found([&](Problems& problems) {
                CheckFileSize({.name = "F", .exists = true, .length = c.length},
                              c.record_size, problems);
              }),
              c.problem.empty() ? Lines{} : Lines{c.problem})
        << c.length;
  }
}

TEST(DbTextTest, CsvAndJsonQuoteWhatWouldBreakTheirSyntax) {
  struct Case {
    std::string bytes;
    std::string csv;
    std::string json;
  };
  const Case cases[] = {
      {"Ann", "Ann", "\"Ann\""},
      {"", "", "\"\""},
      {"a,b", "\"a,b\"", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\""},
      {"two\r\nlines", "\"two\r\nlines\"", "\"two\\u000d\\u000alines\""},
      {"tab\there", "\"tab\there\"", "\"tab\\u0009here\""},
      {" pad ", "\" pad \"", "\" pad \""},
      {"back\\slash", "back\\slash", "\"back\\\\slash\""},
      {"caf\xe9", "caf\xe9", "\"caf\\u00e9\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CsvField(c.bytes), c.csv) << c.bytes;
    EXPECT_EQ(JsonString(c.bytes), c.json) << c.bytes;
  }
}

TEST(DbTextTest, TextsThatASpreadsheetWouldRunGetAQuoteUnlessRaw) {
  struct Case {
    std::string bytes, csv;
  } cases[] = {{"=1+1", "'=1+1"},
               {"+x", "'+x"},
               {"-2", "'-2"},
               {"@SUM(A1)", "'@SUM(A1)"},
               {"=A,B", "\"'=A,B\""},
               {"a=b", "a=b"},
               {"", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(CsvText(c.bytes, false), c.csv) << c.bytes;
    EXPECT_EQ(CsvText(c.bytes, true), CsvField(c.bytes)) << c.bytes;
  }
  ZoneFiles zone = MakeZone({{"=cmd", 7, 1, 0}}, {1});
  zone.dbs.squads.SetSquadField(1, SquadField::kPassword, "-pw");
  EXPECT_NE(UserCsv(zone.dbs.users).find("\r\n1,'=cmd,1,1,"),
            std::string::npos);
  EXPECT_NE(UserCsv(zone.dbs.users, true).find("\r\n1,=cmd,1,1,"),
            std::string::npos);
  EXPECT_EQ(SquadCsv(zone.dbs.squads),
            "SquadID,Name,Password,Owner\r\n1,Sq,'-pw,1\r\n");
}

TEST(DbTextTest, ExportedRowsKeepEveryField) {
  ZoneFiles zone = MakeZone({{"O'Neil, Jr", 777, 1, 0}}, {1});
  zone.dbs.scores.PutScoreRecord(1, Int16ToBytes(5) + Int16ToBytes(-2) +
                                        Int16ToBytes(3) + Int32ToBytes(100) +
                                        Int32ToBytes(-200));
  const std::string users = UserCsv(zone.dbs.users);
  EXPECT_TRUE(users.starts_with(
      "UserID,Name,SquadID,ScoreID,DataBlock,Created,IP,MacID,LastDatePlayed,"
      "UsageTotal\r\n1,\"O'Neil, Jr\",1,1,00 00 "))
      << users;
  EXPECT_TRUE(
      users.ends_with(",2026-12-07 09:05:03,10.0.0.7,777,7-12-2026,0\r\n"))
      << users;
  EXPECT_EQ(ScoreCsv(zone.dbs.scores),
            "ScoreID,Win,Loss,Ratio,KillPoints,FlagPoints,TotalPoints\r\n"
            "1,5,-2,3,100,-200,-100\r\n");
  EXPECT_EQ(SquadCsv(zone.dbs.squads),
            "SquadID,Name,Password,Owner\r\n1,Sq,,1\r\n");
}

}  // namespace
}  // namespace tallyhall
