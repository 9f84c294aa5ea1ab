// Test helpers of the score, top-list and record administration tests: a
// zone with one player present, records with chosen scores, and rows built
// from column positions.
#ifndef TALLYHALL_TESTS_COMMANDS_SCORE_RECORDS_H_
#define TALLYHALL_TESTS_COMMANDS_SCORE_RECORDS_H_

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "commands/score_table.h"
#include "db/database_files.h"
#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {

// Zone 1 ("Main") with Ann present: PlayerID 5, MacID 77, no record yet.
class ScoreZoneTest : public OnePlayerTest {
 protected:
  static constexpr std::int32_t kAnnMac = 77;

  void SetUp() override {
    OnePlayerTest::SetUp();
    Ann().MacID = kAnnMac;
  }
  ZoneDatabases& dbs() { return Zone(1).databases; }
};

inline std::string ScoreBytes(const ScoreFields& s) {
  return Int16ToBytes(s.win) + Int16ToBytes(s.loss) + Int16ToBytes(s.ratio) +
         Int32ToBytes(s.kill_points) + Int32ToBytes(s.flag_points);
}

// Appends a record named `name` with MacID `mac`, a new score record holding
// `scores`, and squad `squad_id`; returns its UserID.
inline std::int32_t AddRecord(ZoneDatabases& dbs, std::string_view name,
                              std::int32_t mac, const ScoreFields& scores = {},
                              std::int32_t squad_id = 0) {
  const std::int32_t id =
      dbs.users.AddUser(dbs.scores, name, "\x0a\x00\x00\x01", Int32ToBytes(mac),
                        LocalTime{.year = 2026, .month = 1, .day = 2});
  dbs.scores.PutScoreRecord(
      BytesToInt32(dbs.users.GetUserField(id, UserField::kScoreID)),
      ScoreBytes(scores));
  dbs.users.SetUserField(id, UserField::kSquadID, Int32ToBytes(squad_id));
  return id;
}

// A line with each text starting at its column (counted from 0), blanks
// between them; "<overlap>" marks a text placed over the one before.
inline std::string AtColumns(
    std::initializer_list<std::pair<std::size_t, std::string_view>> texts) {
  std::string line;
  for (const auto& [column, text] : texts) {
    if (line.size() > column) line += "<overlap>";
    line.resize(std::max(line.size(), column), ' ');
    line += text;
  }
  return line;
}

// The score table header whose Name column starts at `name`: Squad 25
// columns on, then Win, Loss, Ratio, KillPoints, FlagPoints and TotalPoints
// at 50, 56, 62, 68, 79 and 90.
inline std::string HeaderFrom(std::size_t name) {
  return AtColumns({{name, "Name"},
                    {name + 25, "Squad"},
                    {name + 50, "Win"},
                    {name + 56, "Loss"},
                    {name + 62, "Ratio"},
                    {name + 68, "KillPoints"},
                    {name + 79, "FlagPoints"},
                    {name + 90, "TotalPoints"}});
}

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_COMMANDS_SCORE_RECORDS_H_
