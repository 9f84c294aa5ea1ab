// Traffic between players: arena messages to every zone, chat channel lines
// routed across zones, player text for the terminal, and the ?chat and ?find
// commands.
#include "players/chat.h"

#include <string>
#include <vector>

#include "commands/command_context.h"
#include "db/encoding.h"
#include "net/messages.h"
#include "base/numbers.h"
#include "shell/server_core.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Message offsets, counted from the type byte.
constexpr std::size_t kSenderOffset = 1;        // PlayerID, 4 bytes
constexpr std::size_t kArenaTextOffset = 11;    // 6 unread bytes before it
constexpr std::size_t kChannelDigitOffset = 5;  // first byte of a 32-byte field
constexpr std::size_t kChannelTextOffset = 37;
constexpr std::size_t kPlayerTextOffset = 5;

// A player uses at most this many channels; later names are ignored.
constexpr std::size_t kMaxChannels = 9;
constexpr std::size_t kMaxChannelText = 128;
// Characters 6 to 29 of a ?find command: the name key of a player.
constexpr std::size_t kFindKeyOffset = 5;
constexpr std::size_t kFindKeyLength = 24;

constexpr std::string_view kNoChannels =
    "You are not on any chat channels. Type ?chat=channelname or ?chat "
    "channelname to correctly enter in a chat channel. To enter in more than "
    "1, include a commas after channel names.";

std::int32_t SenderId(std::string_view message) {
  return BytesToInt32(FieldAt(message, kSenderOffset, 4));
}

// A channel list as every reader sees it: the text with one "," appended,
// split at each ",", empty pieces skipped, at most the first nine names.
// Channel k is element k - 1.
std::vector<std::string> ReadChannelList(std::string_view channels) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= channels.size() && names.size() < kMaxChannels) {
    std::size_t comma = channels.find(',', start);
    if (comma == std::string_view::npos) comma = channels.size();
    if (comma > start)
      names.emplace_back(channels.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

// ZonecastLock, read from the file anew: the number at the start of its
// text, rounded; empty or non-numeric text is 0. A value too large for any
// integer still counts as a lock.
bool ZonecastLocked(ServerCore& core) {
  const std::string value =
      core.settings_file().ReadSetting("Misc", "ZonecastLock");
  return RoundHalfEven(LeadingNumber(value)) != 0;
}

// True when `key` occurs in `text`. Nothing occurs in an empty text, not even
// an empty key, so an empty ?find key passes over players without a name.
bool Occurs(std::string_view text, std::string_view key) {
  return !text.empty() && text.find(key) != std::string_view::npos;
}

}  // namespace

void HandleArenaMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view message) {
  const std::int32_t sender_id = SenderId(message);
  // The zone itself (PlayerID -1) is never held back by the lock.
  if (sender_id != -1) {
    ZoneEntry& zone = core.zones().Zone(zone_id);
    const std::int32_t index = FindPlayerByID(zone, sender_id);
    if (index == 0) return;
    const bool message_op = zone.Player(index).IsMessageOp != 0;
    if (!message_op && ZonecastLocked(core)) return;
  }
  SendZoneBroadcast(core, FieldAt(message, kArenaTextOffset));
}

void HandleChannelMessage(ServerCore& core, std::int32_t zone_id,
                          std::string_view message) {
  ZoneEntry& sender_zone = core.zones().Zone(zone_id);
  const std::int32_t sender_index =
      FindPlayerByID(sender_zone, SenderId(message));
  if (sender_index == 0) return;
  const ZonePlayer& sender = sender_zone.Player(sender_index);

  // One ASCII digit: the channel's number in the sender's own list.
  const std::string_view digit = FieldAt(message, kChannelDigitOffset, 1);
  if (digit.empty()) return;
  const int number = static_cast<unsigned char>(digit[0]) - '0';
  const std::vector<std::string> sender_channels =
      ReadChannelList(sender.ChatChannels);
  if (number < 1 || static_cast<std::size_t>(number) > sender_channels.size())
    return;
  const std::string& channel = sender_channels[number - 1];
  const std::string sender_name = sender.PlayerName;
  const std::string_view text = FieldAt(message, kChannelTextOffset);

  ZoneTable& zones = core.zones();
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    ZoneEntry& zone = zones.Zone(id);
    for (std::int32_t index = 1; index <= zone.PlayerCount(); ++index) {
      if (id == zone_id && index == sender_index) continue;
      const ZonePlayer& recipient = zone.Player(index);
      const std::vector<std::string> names =
          ReadChannelList(recipient.ChatChannels);
      // Recipients are numbered in their own list; a name listed twice
      // delivers twice.
      for (std::size_t k = 0; k < names.size(); ++k) {
        if (names[k] != channel) continue;
        SendChannelMessage(core, id, sender_name, recipient.PlayerID,
                           static_cast<int>(k + 1), text);
      }
    }
  }
}

void HandlePlayerText(ServerCore& core, std::int32_t zone_id,
                      std::string_view message) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindPlayerByID(zone, SenderId(message));
  if (index == 0) return;
  // Written as received; the console view makes control bytes harmless.
  core.WriteLogLine(
      zone.LogPrefix() + ") [" + zone.Player(index).PlayerName + "] " +
      std::string(TrimAtNul(FieldAt(message, kPlayerTextOffset))));
}

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
  const bool sysop = ctx.IsSysOp();
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
