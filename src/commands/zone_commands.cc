// Zone administration. ZoneIDs are positions in the zone table, so a ZoneID
// names whichever zone holds that place when the command arrives. Control
// messages are sent at once; the zone table changes only when the zone
// itself logs off.
#include "commands/zone_commands.h"

#include <algorithm>
#include <cstdint>

#include "base/failure.h"
#include "base/numbers.h"
#include "commands/command_context.h"
#include "commands/paging.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Every name of a ?zoneplayers line but the last fills a column of this
// many characters and one blank; names are at most this long.
constexpr std::size_t kNameColumn = 24;

// Bytes 1 to 9 of both control messages; byte 0 tells them apart.
constexpr std::string_view kControlTail{"\x00\x01\x00\x00\x00\x02\x00\x00\x00",
                                        9};

// Replies "ZoneID is out of bounds" and returns false when `zone_id` names
// no connected zone.
bool ZoneExistsOrReply(CommandContext& ctx, std::int32_t zone_id) {
  if (zone_id >= 1 && zone_id <= ctx.core.zones().ZoneCount()) return true;
  ctx.Reply("ZoneID is out of bounds");
  return false;
}

// The zone whose ZoneID is read from `text`; null (after the reply above)
// when there is none.
ZoneEntry* TargetZoneOrReply(CommandContext& ctx, std::string_view text) {
  const std::int32_t zone_id = ctx.Number(text);
  if (!ZoneExistsOrReply(ctx, zone_id)) return nullptr;
  return &ctx.core.zones().Zone(zone_id);
}

// One ?zonelist line. ZoneIDs line up on the right under the widest one.
std::string ZoneListLine(const ZoneEntry& zone, std::int32_t zone_id,
                         std::int32_t zone_count, bool sysop) {
  const std::string id = DecimalText(zone_id);
  std::string line(DecimalText(zone_count).size() - id.size(), ' ');
  line += id + ". " + zone.ServerName;
  if (sysop) {
    line += " " + IpText(zone.address.IpBytes()) + ":" +
            DecimalText(zone.GamePort) +
            " MSC:" + DecimalText(zone.SendSequence);
  }
  line += " User Database ID:" + DecimalText(zone.ServerID) +
          " Squad Database ID:" + DecimalText(zone.GroupID) +
          " Score Database ID:" + DecimalText(zone.ScoreID) + " [" +
          DecimalText(zone.PlayerCount()) + " players]";
  return line;
}

// The ZoneID and page of ?zoneplayers: "(ZoneID) (page)", or one numeric
// word for the ZoneID alone; anything else lists the caller's own zone.
struct ZonePlayersRequest {
  std::int32_t zone_id = 0;
  std::int32_t page = 0;
};

ZonePlayersRequest ReadZonePlayersRequest(CommandContext& ctx,
                                          std::string_view args) {
  args = WithoutLeadingBlanks(args);
  ZonePlayersRequest request{.zone_id = ctx.zone_id};
  const std::size_t blank = args.find(' ');
  if (blank == std::string_view::npos) {
    if (IsNumeric(args)) request.zone_id = ctx.Number(args);
  } else {
    request.zone_id = ctx.Number(args.substr(0, blank));
    request.page = ctx.Number(args.substr(blank + 1));
  }
  if (request.page == 0) request.page = 1;
  return request;
}

// Players `first` to `first` + 2 of the zone, as many as exist, in columns.
std::string PlayerColumns(const ZoneEntry& zone, std::int64_t first) {
  const std::int64_t end =
      std::min<std::int64_t>(first + 2, zone.PlayerCount());
  std::string line = zone.Players[first - 1].PlayerName;
  for (std::int64_t j = first + 1; j <= end; ++j) {
    const std::size_t previous = zone.Players[j - 2].PlayerName.size();
    line.append(kNameColumn - std::min(previous, kNameColumn), ' ');
    line += ' ';
    line += zone.Players[j - 1].PlayerName;
  }
  return line;
}

// Writes 14 NUL bytes under every ScoreID that a user record of the zone
// names, with the ordinary score write: a ScoreID beyond the Score Database
// grows it up to that record, so that the ScoreID is never handed to a new
// player while a user still names it. ScoreIDs below 1 name nothing. A write
// that fails (a database that cannot grow that far) writes its failure line
// and the reset goes on with the next user.
void ResetScores(Terminal& terminal, ZoneDatabases& databases) {
  const std::string zeroed(kScoreRecordSize, '\0');
  const UserDatabase& users = databases.users;
  ScoreDatabase& scores = databases.scores;
  for (std::int32_t user_id = 1; user_id <= users.UserCount(); ++user_id) {
    const std::int32_t score_id =
        BytesToInt32(users.GetUserField(user_id, UserField::kScoreID));
    if (score_id < 1) continue;
    RunStep(terminal, [&] { scores.PutScoreRecord(score_id, zeroed); });
  }
}

// The terminal line of a SysOp's action on a zone.
void LogZoneAction(CommandContext& ctx, const ZoneEntry& target,
                   std::string_view action) {
  ctx.core.WriteLogLine(target.LogPrefix() + ") " + std::string(action) +
                        " by " + ctx.player.PlayerName + "(Biller SysOp)");
}

// ?zonerecycle and ?zonereset: the line, the reply, then the message.
void RecycleZone(CommandContext& ctx, std::string_view args, bool reset) {
  ZoneEntry* target = TargetZoneOrReply(ctx, args);
  if (target == nullptr) return;
  if (reset) ResetScores(ctx.core.terminal(), target->databases);
  LogZoneAction(ctx, *target, reset ? "Recycled and Reset" : "Recycled");
  ctx.Reply(target->ServerName +
            (reset ? " recycled and reset." : " recycled."));
  SendReliableMessage(ctx.core, *target, RecycleMessage());
}

}  // namespace

std::string RecycleMessage() { return "\x04" + std::string(kControlTail); }

std::string ShutdownMessage() { return "\x02" + std::string(kControlTail); }

// ?zonelist (page)
void HandleZoneList(CommandContext& ctx, std::string_view args) {
  ZoneTable& zones = ctx.core.zones();
  const std::int32_t count = zones.ZoneCount();
  ctx.Reply(std::string(kProgramTitle) + " Network (" + DecimalText(count) +
            " game servers)");
  const std::int32_t page = PageNumber(ctx, args);
  const PageRange range = RangePage(page, count);
  for (std::int64_t id = range.first; id <= range.last; ++id) {
    // Built just before it leaves, so the caller's own zone shows as MSC
    // the sequence number of the very message that carries the line.
    const auto zone_id = static_cast<std::int32_t>(id);
    ctx.Reply(ZoneListLine(zones.Zone(zone_id), zone_id, count,
                           ctx.Holds(Level::kSysOp)));
  }
  ReplyPageFooter(ctx, page);
}

// ?zoneplayers (ZoneID) (page)
void HandleZonePlayers(CommandContext& ctx, std::string_view args) {
  const ZonePlayersRequest request = ReadZonePlayersRequest(ctx, args);
  if (!ZoneExistsOrReply(ctx, request.zone_id)) return;
  const ZoneEntry& zone = ctx.core.zones().Zone(request.zone_id);
  ctx.Reply(zone.ServerName + " (" + DecimalText(zone.PlayerCount()) +
            " players) (User Database ID:" + DecimalText(zone.ServerID) +
            " Squad Database ID:" + DecimalText(zone.GroupID) +
            " Score Database ID:" + DecimalText(zone.ScoreID) + ")");
  // Lines start at every third player up to the page's last one, so a page
  // shows up to 42 players and the next page starts again at 41.
  const PageRange range = RangePage(request.page, zone.PlayerCount());
  for (std::int64_t j = range.first; j <= range.last; j += 3) {
    ctx.Reply(PlayerColumns(zone, j));
  }
  ReplyPageFooter(ctx, request.page);
}

// ?zonerecycle (ZoneID)
void HandleZoneRecycle(CommandContext& ctx, std::string_view args) {
  RecycleZone(ctx, args, /*reset=*/false);
}

// ?zonereset (ZoneID)
void HandleZoneReset(CommandContext& ctx, std::string_view args) {
  RecycleZone(ctx, args, /*reset=*/true);
}

// ?zoneclose (ZoneID): unlike the recycles, the reply comes before the line.
void HandleZoneClose(CommandContext& ctx, std::string_view args) {
  ZoneEntry* target = TargetZoneOrReply(ctx, args);
  if (target == nullptr) return;
  ctx.Reply(target->ServerName + " shutdown.");
  LogZoneAction(ctx, *target, "Shutdown");
  SendReliableMessage(ctx.core, *target, ShutdownMessage());
}

}  // namespace tallyhall
