// The chat commands: ?chat sets a player's channels or shows who is on
// them, ?find searches the players of every zone (by name, and for a SysOp
// also by MacID and IP).
#include "commands/chat_commands.h"

#include <string>
#include <vector>

#include "commands/command_context.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "players/chat.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Characters 6 to 29 of a ?find command: the name key of a player.
constexpr std::size_t kFindKeyOffset = 5;
constexpr std::size_t kFindKeyLength = 24;

constexpr std::string_view kNoChannels =
    "You are not on any chat channels. Type ?chat=channelname or ?chat "
    "channelname to correctly enter in a chat channel. To enter in more than "
    "1, include a commas after channel names.";

// True when `key` occurs in `text`. Nothing occurs in an empty text, not even
// an empty key, so an empty ?find key passes over players without a name.
bool Occurs(std::string_view text, std::string_view key) {
  return !text.empty() && text.find(key) != std::string_view::npos;
}

}  // namespace

// ?chat=(channels), ?chat (channels): set; ?chat alone or anything else:
// show each channel with the players whose list contains its name.
void HandleChat(CommandContext& ctx, std::string_view args) {
  if (!args.empty() && (args[0] == '=' || args[0] == ' ')) {
    ctx.player.ChatChannels = std::string(FieldAt(args, 1, kMaxChannelText));
    return;
  }
  const std::vector<std::string> channels =
      ReadChannelList(ctx.player.ChatChannels);
  if (channels.empty()) {
    ctx.Reply(kNoChannels);
    return;
  }
  ZoneTable& zones = ctx.core.zones();
  for (std::size_t k = 0; k < channels.size(); ++k) {
    std::string line = DecimalText(static_cast<std::int64_t>(k + 1)) + ":[" +
                       channels[k] + "] ";
    for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
      for (const ZonePlayer& player : zones.Zone(id).Players) {
        // A plain substring test: "teams" lists its player under "team".
        if (Occurs(player.ChatChannels, channels[k])) {
          line += player.PlayerName + ",";
        }
      }
    }
    line.pop_back();
    ctx.Reply(line);
  }
}

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

}  // namespace tallyhall
