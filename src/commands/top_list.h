// ?top: ranks every record of the caller's zone by one score measure and
// shows a window of ten ranks. The databases are only read.
#ifndef TALLYHALL_COMMANDS_TOP_LIST_H_
#define TALLYHALL_COMMANDS_TOP_LIST_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace tallyhall {

struct CommandContext;
struct ZoneDatabases;

enum class TopMeasure { kWin, kLoss, kRatio, kKill, kFlag, kTotal };

// "win", "loss", "ratio", "kill" and "flag", compared exactly; any other
// text, the empty text included, ranks by TotalPoints.
TopMeasure MeasureFromWord(std::string_view word);

// The UserIDs at ranks `first` to `last` (from 1; cut to 1..UserCount) of
// the ranking by `measure`: the highest value first, equal values in UserID
// order, exactly the order of a stable descending sort of every record. A
// record whose ScoreID names no score record ranks with all values 0. Costs
// one pass over the records and a selection of the window; the records are
// never sorted whole.
std::vector<std::int32_t> RankWindow(const ZoneDatabases& dbs,
                                     TopMeasure measure, std::int64_t first,
                                     std::int64_t last);

// ?top(N) (win/loss/ratio/kill/flag/total)
void HandleTop(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_TOP_LIST_H_
