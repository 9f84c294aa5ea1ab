// Looking players up: ?find among the players present in every zone, and in
// the caller's zone the stored name, squad, last date played, IP and MacID of
// User Database records and the names that share a machine. Only ?username
// changes anything (one Name field).
#include "commands/player_lookup_commands.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "commands/command_context.h"
#include "commands/paging.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Characters 6 to 29 of a ?find command: the name key of a player.
constexpr std::size_t kFindKeyOffset = 5;
constexpr std::size_t kFindKeyLength = 24;

// True when `key` occurs in `text`. Nothing occurs in an empty text, not even
// an empty key, so an empty ?find key passes over players without a name.
bool Occurs(std::string_view text, std::string_view key) {
  return !text.empty() && text.find(key) != std::string_view::npos;
}

std::string NameOf(const UserDatabase& users, std::int32_t id) {
  return std::string(TrimAtNul(users.GetUserField(id, UserField::kName)));
}

// True when the record's name, up to its first NUL and lower-cased, equals
// `key` (lower-cased by the caller) as a whole.
bool NameIs(const UserDatabase& users, std::int32_t id, std::string_view key) {
  return ToLower(NameOf(users, id)) == key;
}

// "7. Ann Squad:Reds LastDatePlayed:5-12-2026 IP:10.0.0.7 MacID:-3"
std::string InformationLine(const ZoneEntry& zone, std::int32_t id) {
  const UserDatabase& users = zone.databases.users;
  const std::int32_t squad_id =
      BytesToInt32(users.GetUserField(id, UserField::kSquadID));
  return DecimalText(id) + ". " + NameOf(users, id) + " Squad:" +
         std::string(TrimAtNul(zone.databases.squads.GetSquadField(
             squad_id, SquadField::kName))) +
         " LastDatePlayed:" +
         DateText(users.GetUserField(id, UserField::kLastDatePlayed)) +
         " IP:" + IpText(users.GetUserField(id, UserField::kIP)) + " MacID:" +
         DecimalText(BytesToInt32(users.GetUserField(id, UserField::kMacID)));
}

// "Aliases of " + mac + ": " + the names with that MacID. When no record
// has it, replies that the player has no other aliases and returns nothing.
std::optional<std::string> AliasTextOrReply(CommandContext& ctx,
                                            std::int32_t mac) {
  const std::string names = ctx.zone.databases.users.ListNamesByMacID(mac);
  if (names.empty()) {
    ctx.Reply("Player has not used any other aliases.");
    return std::nullopt;
  }
  return "Aliases of " + DecimalText(mac) + ": " + names;
}

// The ?aliasx2 replies for the listing `groups` and the argument `args`.
void ReplyAliasGroups(CommandContext& ctx, const std::string& groups,
                      std::string_view args) {
  if (groups.empty()) {
    ctx.Reply("There are no players that have used more than 1 alias.");
    return;
  }
  const std::int32_t page = PageNumber(ctx, args);
  ReplyTextPage(ctx, "Players with more than 1 alias: " + groups, page);
  ReplyPageFooter(ctx, page);
}

// Work units a listing may take while its command is handled; a larger
// database is listed between datagrams.
constexpr std::size_t kAliasUnitsAtOnce = 20000;

// ?aliasx2 over the records as they were when the command arrived.
class AliasGroupsAnswer : public LongCommand {
 public:
  AliasGroupsAnswer(const UserDatabase& users, std::string_view args)
      : groups_(users.StartAliasGroups()), args_(args) {}
  bool Step(std::size_t units) override { return groups_.Step(units); }
  void Answer(CommandContext& ctx) override {
    ReplyAliasGroups(ctx, groups_.text(), args_);
  }

 private:
  AliasGroups groups_;
  std::string args_;
};

}  // namespace

// ?find (name); for a SysOp ?find (name/macid/ip).
void HandleFind(CommandContext& ctx, std::string_view) {
  const bool sysop = ctx.Holds(Level::kSysOp);
  const std::string key = std::string(WithoutLeadingBlanks(
      ToLower(sysop ? FieldAt(ctx.text, kFindKeyOffset)
                    : FieldAt(ctx.text, kFindKeyOffset, kFindKeyLength))));
  // The MacID asked for: the number at the start of the key, 0 when there
  // is none (a number beyond 32 bits writes its failure line and reads 0).
  const std::int32_t mac_key = sysop ? ctx.Number(key) : 0;

  bool found = false;
  ZoneTable& zones = ctx.core.zones();
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    const ZoneEntry& zone = zones.Zone(id);
    for (const ZonePlayer& player : zone.Players) {
      const bool name_match = Occurs(ToLower(player.PlayerName), key);
      if (!sysop) {
        if (!name_match) continue;
        ctx.Reply(player.PlayerName + " - " + zone.ServerName);
        found = true;
        continue;
      }
      const std::string ip = IpText(Int32ToBytes(player.IP));
      if (mac_key != player.MacID && !Occurs(ip, key) && !name_match) {
        continue;
      }
      ctx.Reply(player.PlayerName + " (" + DecimalText(player.MacID) + ") [" +
                ip + "] - " + zone.ServerName);
      found = true;
    }
  }
  if (!found) {
    ctx.Reply("Not found on " + std::string(kProgramTitle) + " network");
  }
}

// ?username (UserID):(new name)
void HandleUsername(CommandContext& ctx, std::string_view args) {
  const std::string_view arg = WithoutLeadingBlanks(args);
  const std::size_t colon = arg.find(':');
  const std::int32_t id = ctx.Number(arg.substr(0, colon));
  UserDatabase& users = ctx.zone.databases.users;
  if (id < 1 || id > users.UserCount()) {
    ctx.Reply("UserID is out of bounds");
    return;
  }
  if (colon == std::string_view::npos) {
    ctx.Reply(DecimalText(id) + ". " + NameOf(users, id));
    return;
  }
  // A player present under the old name keeps it in his ZonePlayer record.
  users.SetUserField(id, UserField::kName, arg.substr(colon + 1));
  ctx.Reply("Player name updated to User Database.");
}

// ?infodump (page)
void HandleInfoDump(CommandContext& ctx, std::string_view args) {
  const std::int32_t page = PageNumber(ctx, args);
  const std::int32_t count = ctx.zone.databases.users.UserCount();
  // UserIDs line up on the right under the widest one.
  const std::size_t width = DecimalText(count).size();
  const PageRange range = RangePage(page, count);
  for (std::int64_t id = range.first; id <= range.last; ++id) {
    const std::size_t digits = DecimalText(id).size();
    ctx.Reply(std::string(width - digits, ' ') +
              InformationLine(ctx.zone, static_cast<std::int32_t>(id)));
  }
  ReplyPageFooter(ctx, page);
}

// ?infopage (page) (name)
void HandleInfoPage(CommandContext& ctx, std::string_view args) {
  const std::string arg = ToLower(WithoutLeadingBlanks(args));
  const std::size_t blank = arg.find(' ');
  if (blank == std::string::npos) {
    ctx.Reply("Format: ?infopage (page) (name)");
    return;
  }
  const std::int32_t page =
      PageNumber(ctx, std::string_view(arg).substr(0, blank));
  const std::string_view name =
      WithoutLeadingBlanks(std::string_view(arg).substr(blank + 1));
  const UserDatabase& users = ctx.zone.databases.users;
  FilteredPager pager(page);
  for (std::int32_t id = 1; id <= users.UserCount() && !pager.Done(); ++id) {
    if (NameIs(users, id, name) && pager.Take()) {
      ctx.Reply(InformationLine(ctx.zone, id));
    }
  }
  ReplyPageFooter(ctx, page);
}

// ?info (name)
void HandleInfo(CommandContext& ctx, std::string_view args) {
  const std::string name = ToLower(WithoutLeadingBlanks(args));
  if (name.empty()) {
    ctx.Reply("Format: ?info (name)");
    return;
  }
  const UserDatabase& users = ctx.zone.databases.users;
  for (std::int32_t id = 1; id <= users.UserCount(); ++id) {
    if (NameIs(users, id, name)) ctx.Reply(InformationLine(ctx.zone, id));
  }
}

// ?aliasx2 (page)
void HandleAliasX2(CommandContext& ctx, std::string_view args) {
  auto answer =
      std::make_unique<AliasGroupsAnswer>(ctx.zone.databases.users, args);
  // Answers leave in the order the commands came: behind a long command,
  // even a short one waits.
  if (!ctx.core.long_commands_pending() && answer->Step(kAliasUnitsAtOnce)) {
    answer->Answer(ctx);
    return;
  }
  ctx.core.QueueLongCommand(ctx.zone, ctx.player_id, ctx.text,
                            std::move(answer));
}

// ?aliaspage (page) (macid), or ?aliaspage (macid) for page 1
void HandleAliasPage(CommandContext& ctx, std::string_view args) {
  const std::string_view arg = WithoutLeadingBlanks(args);
  const std::size_t blank = arg.find(' ');
  std::int32_t page = 1;
  std::int32_t mac = 0;
  if (blank != std::string_view::npos) {
    page = PageNumber(ctx, arg.substr(0, blank));
    mac = ctx.Number(arg.substr(blank + 1));
  } else if (IsNumeric(arg)) {
    mac = ctx.Number(arg);
  } else {
    ctx.Reply("Format: ?aliaspage (page) (macid)");
    return;
  }
  const std::optional<std::string> text = AliasTextOrReply(ctx, mac);
  if (!text) return;
  ReplyTextPage(ctx, *text, page);
  ReplyPageFooter(ctx, page);
}

// ?alias (macid)
void HandleAlias(CommandContext& ctx, std::string_view args) {
  const std::optional<std::string> text =
      AliasTextOrReply(ctx, ctx.Number(args));
  if (!text) return;
  // The whole text, however long, in pieces of 70 characters.
  for (std::size_t offset = 0; offset < text->size(); offset += kTextPiece) {
    ctx.Reply(std::string_view(*text).substr(offset, kTextPiece));
  }
}

}  // namespace tallyhall
