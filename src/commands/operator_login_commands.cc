// The operator levels: ?login grants MessageOp, AccountOp and SysOp by
// password, ?logoff drops them, ?listop shows who holds them and
// ?listoppassword shows the passwords to a SysOp. Levels live only in the
// player's ZonePlayer record and are never written to disk.
#include "commands/operator_login_commands.h"

#include <cstdint>

#include "commands/command_context.h"
#include "commands/paging.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "zones/operator_levels.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

constexpr std::string_view kPasswordSection = "Passwords";
// Three passwords and their separators are far shorter: a longer argument
// is not a login but a list of guesses.
constexpr std::size_t kMaxLoginArgument = 128;

// Grants every level whose password the argument contains; returns whether
// it contained any.
bool GrantLevels(CommandContext& ctx, std::string_view args) {
  bool any = false;
  for (const LevelInfo& level : kLevels) {
    const std::string password = ctx.core.settings_file().ReadSetting(
        kPasswordSection, level.password_key);
    // An empty password is contained in every text; it would hand the
    // level to anyone, so a level without a password cannot be gained.
    if (!password.empty() && args.find(password) != std::string_view::npos) {
      ctx.player.*level.flag = kLevelHeld;
      any = true;
    }
  }
  return any;
}

}  // namespace

// ?listoppassword (the dispatch lets only a SysOp reach it)
void HandleListOpPassword(CommandContext& ctx, std::string_view) {
  for (const LevelInfo& level : kLevels) {
    ctx.Reply(std::string(level.password_key) + ": " +
              ctx.core.settings_file().ReadSetting(kPasswordSection,
                                                   level.password_key));
  }
}

// ?listop (page)
void HandleListOp(CommandContext& ctx, std::string_view args) {
  const std::int32_t page = PageNumber(ctx, args);
  // One pager across every zone: page 1 holds the first 39 operators.
  FilteredPager pager(page);
  ZoneTable& zones = ctx.core.zones();
  for (std::int32_t zone_id = 1; zone_id <= zones.ZoneCount() && !pager.Done();
       ++zone_id) {
    const ZoneEntry& zone = zones.Zone(zone_id);
    for (const ZonePlayer& player : zone.Players) {
      if (!HoldsAnyLevel(player)) continue;
      if (pager.Take()) {
        ctx.Reply(player.PlayerName + " [" + LevelList(player) + "] in " +
                  zone.ServerName);
      }
      if (pager.Done()) break;
    }
  }
  ReplyPageFooter(ctx, page);
}

// ?login (password(s)): the argument is taken as typed, blanks included.
// A ?login that contains no password is a failure; after kMaxFailures of
// them within a minute the player's ?logins are ignored for a minute.
void HandleLogin(CommandContext& ctx, std::string_view args) {
  LoginAttempts& attempts = ctx.zone.login_attempts;
  const std::int64_t now_ms = ctx.core.clock().SteadyMilliseconds();
  const std::string& name = ctx.player.PlayerName;
  if (!attempts.MayTry(name, now_ms)) return;
  const bool too_long = args.size() > kMaxLoginArgument;
  if ((too_long || !GrantLevels(ctx, args)) &&
      attempts.RecordFailure(name, now_ms)) {
    ctx.core.WriteLogLine(ctx.zone.LogPrefix() + ") ?login refused for " +
                          "one minute after " +
                          DecimalText(LoginAttempts::kMaxFailures) +
                          " failures within a minute: " + name);
  }
  if (too_long) return;
  const std::string list = LevelList(ctx.player);
  if (list.empty()) return;
  ctx.Reply("Logged into " + std::string(kProgramTitle) + " as " + list);
}

// ?logoff (M/A/S): letters in any case, anywhere in the argument.
void HandleLogoff(CommandContext& ctx, std::string_view args) {
  const std::string letters = ToLower(args);
  std::string dropped;
  for (const LevelInfo& level : kLevels) {
    if (letters.find(level.logoff_letter) == std::string::npos) continue;
    if (ctx.player.*level.flag == 0) continue;
    ctx.player.*level.flag = 0;
    AppendLevelName(dropped, level.name);
  }
  if (dropped.empty()) return;
  ctx.Reply("Biller operator status dropped: " + dropped);
}

}  // namespace tallyhall
