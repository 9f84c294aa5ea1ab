// The score table: the fixed-width layout of the score listings, the top
// lists and ?scoredelete. A row is a label (a UserID and ". ", or a rank and
// " ") followed by the name, squad and score columns.
#ifndef TALLYHALL_COMMANDS_SCORE_TABLE_H_
#define TALLYHALL_COMMANDS_SCORE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/score_db.h"

namespace tallyhall {

struct CommandContext;
struct ZoneDatabases;
class Terminal;

// The score record that user `user_id`'s ScoreID names, in place (valid
// until the Score Database changes); empty when the user or the score record
// does not exist, which every reader takes as all zeros.
std::string_view UserScoreRecord(const ZoneDatabases& dbs,
                                 std::int32_t user_id);
// The fields of UserScoreRecord.
ScoreFields UserScores(const ZoneDatabases& dbs, std::int32_t user_id);

// User `user_id`'s name as stored, cut at its first NUL; empty when the
// user does not exist.
std::string UserName(const ZoneDatabases& dbs, std::int32_t user_id);

// The number of decimal digits of `value`, its minus sign not counted; 1 for
// 0.
int DigitCount(std::int64_t value);

// Whether a row and its header end with TotalPoints or with FlagPoints.
enum class TotalColumn { kShown, kLeftOut };

// The title line: `label_width` blanks, then "Name" (so the name column
// starts at label_width), Squad at label_width + 25, Win + 50, Loss + 56,
// Ratio + 62, KillPoints + 68, FlagPoints + 79 and TotalPoints + 90.
std::string ScoreTableHeader(std::size_t label_width, TotalColumn total);

// The label of a listing row: the UserID right-aligned in `width` columns,
// then ". ".
std::string UserLabel(std::int64_t user_id, int width);
// The label of a top-list row: the rank right-aligned in `width` columns,
// then " ".
std::string RankLabel(std::int64_t rank, int width);

// The row of user `user_id` behind `label`: name and squad name (empty for
// no squad) in 24 columns and a blank each, Win, Loss and Ratio in 5,
// KillPoints in 10, then FlagPoints in 10 and TotalPoints (kShown) or
// FlagPoints alone (kLeftOut). Values stand at the left of their columns.
// A value wider than its column gets no padding: that padding step writes
// "Invalid procedure call or argument 5" to `terminal` and the row goes on.
std::string ScoreRow(Terminal& terminal, const ZoneDatabases& dbs,
                     std::int32_t user_id, std::string label,
                     TotalColumn total);

// Sends ScoreRow for the caller's zone as one reply.
void ReplyScoreRow(CommandContext& ctx, std::int32_t user_id, std::string label,
                   TotalColumn total = TotalColumn::kShown);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SCORE_TABLE_H_
