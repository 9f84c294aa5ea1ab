// The score table: the fixed-width layout of the score listings, the top
// lists and ?scoredelete. A row is a label (a UserID and ". ", or a rank and
// " ") followed by the name, squad and score columns.
#ifndef TALLYHALL_COMMANDS_SCORE_TABLE_H_
#define TALLYHALL_COMMANDS_SCORE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallyhall {

struct CommandContext;
struct ZoneDatabases;
class Terminal;

// The values of one 14-byte score record: Win 0 (2), Loss 2 (2), Ratio 4
// (2), KillPoints 6 (4), FlagPoints 10 (4), little-endian, signed.
struct ScoreValues {
  std::int16_t Win = 0;
  std::int16_t Loss = 0;
  std::int16_t Ratio = 0;
  std::int32_t KillPoints = 0;
  std::int32_t FlagPoints = 0;

  // Not stored: the sum, in 64 bits because two 32-bit values can pass the
  // 32-bit range. Shown and ranked as the exact sum.
  std::int64_t TotalPoints() const {
    return std::int64_t{KillPoints} + FlagPoints;
  }
};

// The values of a score record; missing bytes of a shorter one read as 0.
ScoreValues DecodeScoreRecord(std::string_view record);

// The score record that user `user_id`'s ScoreID names, in place (valid
// until the Score Database changes); empty when the user or the score record
// does not exist, which every reader takes as all zeros.
std::string_view UserScoreRecord(const ZoneDatabases& dbs,
                                 std::int32_t user_id);
// The values of UserScoreRecord.
ScoreValues UserScores(const ZoneDatabases& dbs, std::int32_t user_id);

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
