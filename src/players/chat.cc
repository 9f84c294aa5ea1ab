// Traffic between players: arena messages to every zone, chat channel lines
// routed across zones, and player text for the terminal.
#include "players/chat.h"

#include <string>
#include <vector>

#include "base/numbers.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"
#include "zones/operator_levels.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

// Message offsets, counted from the type byte.
constexpr std::size_t kSenderOffset = 1;        // PlayerID, 4 bytes
constexpr std::size_t kArenaTextOffset = 11;    // 6 unread bytes before it
constexpr std::size_t kChannelDigitOffset = 5;  // first byte of a 32-byte field
constexpr std::size_t kChannelTextOffset = 37;
constexpr std::size_t kPlayerTextOffset = 5;

std::int32_t SenderId(std::string_view message) {
  return BytesToInt32(FieldAt(message, kSenderOffset, 4));
}

// ZonecastLock, read from the file anew: the number at the start of its
// text, rounded; empty or non-numeric text is 0. A value too large for any
// integer still counts as a lock.
bool ZonecastLocked(ServerCore& core) {
  const std::string value =
      core.settings_file().ReadSetting("Misc", "ZonecastLock");
  return RoundHalfEven(LeadingNumber(value)) != 0;
}

}  // namespace

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

void HandleArenaMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view message) {
  const std::int32_t sender_id = SenderId(message);
  // The zone itself (PlayerID -1) is never held back by the lock.
  if (sender_id != -1) {
    ZoneEntry& zone = core.zones().Zone(zone_id);
    const std::int32_t index = FindPlayerByID(zone, sender_id);
    if (index == 0) return;
    const bool message_op = Holds(zone.Player(index), Level::kMessageOp);
    if (!message_op && ZonecastLocked(core)) return;
  }
  ++core.counters().arena_messages;
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
  ++core.counters().chat_messages;

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

}  // namespace tallyhall
