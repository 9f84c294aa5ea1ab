// The chat command: ?chat sets a player's channels or shows who is on them.
// Chat lines themselves are routed in players/chat.
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

constexpr std::string_view kNoChannels =
    "You are not on any chat channels. Type ?chat=channelname or ?chat "
    "channelname to correctly enter in a chat channel. To enter in more than "
    "1, include a commas after channel names.";

// True when `key` occurs in `text`. Nothing occurs in an empty text, not even
// an empty key.
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

}  // namespace tallyhall
