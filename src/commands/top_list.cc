// The top lists: argument parsing, the ranking of a window of ranks and its
// rows in the score table layout, with the rank in place of the UserID.
#include "commands/top_list.h"

#include <algorithm>

#include "commands/command_context.h"
#include "commands/score_table.h"
#include "db/database_files.h"
#include "db/encoding.h"

namespace tallyhall {
namespace {

// Ranks shown by one ?top: N - 9 to N.
constexpr std::int64_t kWindow = 10;

// One record in the ranking. Keys are 64-bit: TotalPoints can pass 32 bits.
struct RankEntry {
  std::int64_t key;
  std::int32_t user_id;
};

// Higher keys first; equal keys by lower UserID, as a stable sort leaves
// them. UserIDs differ, so this is a strict total order.
bool RanksBefore(const RankEntry& a, const RankEntry& b) {
  return a.key != b.key ? a.key > b.key : a.user_id < b.user_id;
}

// The measure's value in a score record; an empty record reads as zeros.
// Reads just the fields it needs: this runs once for every record.
std::int64_t Key(std::string_view record, TopMeasure measure) {
  auto int16_at = [&](std::size_t offset) {
    return BytesToInt16(FieldAt(record, offset, 2));
  };
  auto int32_at = [&](std::size_t offset) {
    return BytesToInt32(FieldAt(record, offset, 4));
  };
  switch (measure) {
    case TopMeasure::kWin:
      return int16_at(kWinOffset);
    case TopMeasure::kLoss:
      return int16_at(kLossOffset);
    case TopMeasure::kRatio:
      return int16_at(kRatioOffset);
    case TopMeasure::kKill:
      return int32_at(kKillPointsOffset);
    case TopMeasure::kFlag:
      return int32_at(kFlagPointsOffset);
    case TopMeasure::kTotal:
      return std::int64_t{int32_at(kKillPointsOffset)} +
             int32_at(kFlagPointsOffset);
  }
  return 0;
}

}  // namespace

TopMeasure MeasureFromWord(std::string_view word) {
  if (word == "win") return TopMeasure::kWin;
  if (word == "loss") return TopMeasure::kLoss;
  if (word == "ratio") return TopMeasure::kRatio;
  if (word == "kill") return TopMeasure::kKill;
  if (word == "flag") return TopMeasure::kFlag;
  return TopMeasure::kTotal;
}

std::vector<std::int32_t> RankWindow(const ZoneDatabases& dbs,
                                     TopMeasure measure, std::int64_t first,
                                     std::int64_t last) {
  const std::int32_t count = dbs.users.UserCount();
  const std::int64_t low = std::max<std::int64_t>(first, 1) - 1;
  const std::int64_t high = std::min<std::int64_t>(last, count);
  if (low >= high) return {};

  std::vector<RankEntry> entries;
  entries.reserve(static_cast<std::size_t>(count));
  for (std::int32_t id = 1; id <= count; ++id) {
    entries.push_back({Key(UserScoreRecord(dbs, id), measure), id});
  }
  // Ranks low + 1 to high end up in [begin + low, begin + high), in order.
  const auto begin = entries.begin();
  if (low > 0) std::nth_element(begin, begin + low, entries.end(), RanksBefore);
  if (high < count) {
    std::nth_element(begin + low, begin + high, entries.end(), RanksBefore);
  }
  std::sort(begin + low, begin + high, RanksBefore);

  std::vector<std::int32_t> ids;
  ids.reserve(static_cast<std::size_t>(high - low));
  for (auto it = begin + low; it != begin + high; ++it) {
    ids.push_back(it->user_id);
  }
  return ids;
}

// ?top(N) (win/loss/ratio/kill/flag/total)
void HandleTop(CommandContext& ctx, std::string_view args) {
  const std::string_view arg = WithoutLeadingBlanks(args);
  const std::size_t blank = arg.find(' ');
  std::int32_t n = 0;
  std::string_view word = arg;
  if (blank == std::string_view::npos) {
    n = ctx.Number(arg);
  } else {
    n = ctx.Number(arg.substr(0, blank));
    word = WithoutLeadingBlanks(arg.substr(blank + 1));
  }
  const int width = DigitCount(n);
  ctx.Reply(ScoreTableHeader(static_cast<std::size_t>(width) + 1,
                             TotalColumn::kShown));

  const std::int64_t first = std::max<std::int64_t>(n - kWindow + 1, 1);
  std::int64_t rank = first;
  for (std::int32_t user_id :
       RankWindow(ctx.zone.databases, MeasureFromWord(word), first, n)) {
    ReplyScoreRow(ctx, user_id, RankLabel(rank++, width));
  }
}

}  // namespace tallyhall
