// The caller's ScoreID, the score listings and the score swap. Listings
// show the records of the caller's zone in the score table, labelled by
// UserID; ?scoreall pages by range, ?scoreown and ?scorefind by filter. No
// handler here changes the databases.
#include "commands/score_commands.h"

#include <string>

#include "base/numbers.h"
#include "commands/command_context.h"
#include "commands/paging.h"
#include "commands/score_table.h"
#include "db/encoding.h"
#include "players/player_reports.h"

namespace tallyhall {
namespace {

// Labels are as wide as the digits of UserCount.
int LabelWidth(const CommandContext& ctx) {
  return DigitCount(ctx.zone.databases.users.UserCount());
}

void ReplyListingHeader(CommandContext& ctx) {
  ctx.Reply(ScoreTableHeader(static_cast<std::size_t>(LabelWidth(ctx)) + 2,
                             TotalColumn::kShown));
}

void ReplyUserRow(CommandContext& ctx, std::int32_t user_id) {
  ReplyScoreRow(ctx, user_id, UserLabel(user_id, LabelWidth(ctx)));
}

// Sends the rows of `page` among the records that pass `passes`, walking
// from UserID 1 and stopping once the page is behind.
template <typename Test>
void ReplyFilteredRows(CommandContext& ctx, std::int32_t page, Test passes) {
  FilteredPager pager(page);
  const std::int32_t count = ctx.zone.databases.users.UserCount();
  for (std::int32_t id = 1; id <= count && !pager.Done(); ++id) {
    if (passes(id) && pager.Take()) ReplyUserRow(ctx, id);
  }
}

}  // namespace

// ?scoreid
void HandleScoreId(CommandContext& ctx, std::string_view) {
  ctx.Reply("ScoreID:" +
            DecimalText(BytesToInt32(ctx.zone.databases.users.GetUserField(
                ctx.player.UserID, UserField::kScoreID))));
}

// ?scoreown (page)
void HandleScoreOwn(CommandContext& ctx, std::string_view args) {
  ReplyListingHeader(ctx);
  const std::int32_t page = PageNumber(ctx, args);
  const std::string mac = Int32ToBytes(ctx.player.MacID);
  const UserDatabase& users = ctx.zone.databases.users;
  ReplyFilteredRows(ctx, page, [&](std::int32_t id) {
    return users.GetUserField(id, UserField::kMacID) == mac;
  });
  ReplyPageFooter(ctx, page);
}

// ?scoreswap (other name)
void HandleScoreSwap(CommandContext& ctx, std::string_view args) {
  const std::string name = ToLower(WithoutLeadingBlanks(args));
  ZonePlayer& player = ctx.player;
  if (!name.empty()) {
    const std::int32_t id =
        FindSwapRecord(ctx.zone.databases.users, player.MacID, name);
    if (id == 0) {
      ctx.Reply("User name is not yours or unknown in User Database.");
      return;
    }
    player.SwapName = UserName(ctx.zone.databases, id);
    ctx.Reply("ENABLED: Score swap of " + player.PlayerName + " with " +
              player.SwapName + " on exit");
    return;
  }
  if (player.SwapName.empty()) {
    ctx.Reply(
        "You must specify one of your names. Send ?scoreown for all your "
        "names.");
    return;
  }
  ctx.Reply("DISABLED: Score swap of " + player.PlayerName + " with " +
            player.SwapName + " on exit");
  player.SwapName.clear();
}

// ?scoreall (page)
void HandleScoreAll(CommandContext& ctx, std::string_view args) {
  ReplyListingHeader(ctx);
  const std::int32_t page = PageNumber(ctx, args);
  const PageRange range = RangePage(page, ctx.zone.databases.users.UserCount());
  for (std::int64_t id = range.first; id <= range.last; ++id) {
    ReplyUserRow(ctx, static_cast<std::int32_t>(id));
  }
  ReplyPageFooter(ctx, page);
}

// ?scorefind (page) (name)
void HandleScoreFind(CommandContext& ctx, std::string_view args) {
  const std::string arg = ToLower(WithoutLeadingBlanks(args));
  const std::size_t blank = arg.find(' ');
  if (blank == std::string::npos || !IsNumeric(arg.substr(0, blank)) ||
      blank + 1 == arg.size()) {
    ctx.Reply("Format: ?scorefind (page) (name)");
    return;
  }
  const std::int32_t page = PageNumber(ctx, arg.substr(0, blank));
  const std::string_view name = std::string_view(arg).substr(blank + 1);
  ReplyListingHeader(ctx);
  ReplyFilteredRows(ctx, page, [&](std::int32_t id) {
    return ToLower(UserName(ctx.zone.databases, id)) == name;
  });
  ReplyPageFooter(ctx, page);
}

}  // namespace tallyhall
