// The score table's header and rows, and the reading of a user's score
// values that the listings and the top lists share.
#include "commands/score_table.h"

#include "base/failure.h"
#include "commands/command_context.h"
#include "db/database_files.h"
#include "db/encoding.h"

namespace tallyhall {
namespace {

// Column widths in characters; each column but the last is followed by one
// blank.
constexpr std::size_t kNameWidth = 24;
constexpr std::size_t kShortWidth = 5;    // Win, Loss, Ratio
constexpr std::size_t kPointsWidth = 10;  // KillPoints, FlagPoints

constexpr std::string_view kTitles =
    "Name                     Squad                    "
    "Win   Loss  Ratio KillPoints FlagPoints";
constexpr std::string_view kTotalTitle = " TotalPoints";

// Appends `value`, then blanks up to `width`. A value wider than the column
// fails the padding step: the failure line is written, no blank is added.
void AppendPadded(Terminal& terminal, std::string& row, std::string_view value,
                  std::size_t width) {
  row += value;
  RunStep(terminal, [&] {
    if (value.size() > width) Fail(FailureKind::kInvalidCall);
    row.append(width - value.size(), ' ');
  });
}

// A column with its separating blank behind it.
void AppendColumn(Terminal& terminal, std::string& row, std::string_view value,
                  std::size_t width) {
  AppendPadded(terminal, row, value, width);
  row += ' ';
}

std::string RightAligned(std::int64_t number, int width) {
  const int digits = DigitCount(number);
  std::string text(
      static_cast<std::size_t>(width > digits ? width - digits : 0), ' ');
  return text + DecimalText(number);
}

std::string SquadName(const ZoneDatabases& dbs, std::int32_t user_id) {
  const std::int32_t squad_id =
      BytesToInt32(dbs.users.GetUserField(user_id, UserField::kSquadID));
  return std::string(
      TrimAtNul(dbs.squads.GetSquadField(squad_id, SquadField::kName)));
}

}  // namespace

std::string_view UserScoreRecord(const ZoneDatabases& dbs,
                                 std::int32_t user_id) {
  return dbs.scores.ScoreRecordView(
      BytesToInt32(dbs.users.GetUserField(user_id, UserField::kScoreID)));
}

ScoreFields UserScores(const ZoneDatabases& dbs, std::int32_t user_id) {
  return ScoreFieldsOf(UserScoreRecord(dbs, user_id));
}

std::string UserName(const ZoneDatabases& dbs, std::int32_t user_id) {
  return std::string(
      TrimAtNul(dbs.users.GetUserField(user_id, UserField::kName)));
}

int DigitCount(std::int64_t value) {
  int digits = 1;
  for (value /= 10; value != 0; value /= 10) ++digits;
  return digits;
}

std::string ScoreTableHeader(std::size_t label_width, TotalColumn total) {
  std::string header(label_width, ' ');
  header += kTitles;
  if (total == TotalColumn::kShown) header += kTotalTitle;
  return header;
}

std::string UserLabel(std::int64_t user_id, int width) {
  return RightAligned(user_id, width) + ". ";
}

std::string RankLabel(std::int64_t rank, int width) {
  return RightAligned(rank, width) + " ";
}

std::string ScoreRow(Terminal& terminal, const ZoneDatabases& dbs,
                     std::int32_t user_id, std::string label,
                     TotalColumn total) {
  std::string row = std::move(label);
  AppendColumn(terminal, row, UserName(dbs, user_id), kNameWidth);
  AppendColumn(terminal, row, SquadName(dbs, user_id), kNameWidth);
  const ScoreFields scores = UserScores(dbs, user_id);
  AppendColumn(terminal, row, DecimalText(scores.win), kShortWidth);
  AppendColumn(terminal, row, DecimalText(scores.loss), kShortWidth);
  AppendColumn(terminal, row, DecimalText(scores.ratio), kShortWidth);
  AppendColumn(terminal, row, DecimalText(scores.kill_points), kPointsWidth);
  if (total == TotalColumn::kLeftOut) {
    row += DecimalText(scores.flag_points);
    return row;
  }
  AppendColumn(terminal, row, DecimalText(scores.flag_points), kPointsWidth);
  row += DecimalText(scores.TotalPoints());
  return row;
}

void ReplyScoreRow(CommandContext& ctx, std::int32_t user_id, std::string label,
                   TotalColumn total) {
  ctx.Reply(ScoreRow(ctx.core.terminal(), ctx.zone.databases, user_id,
                     std::move(label), total));
}

}  // namespace tallyhall
