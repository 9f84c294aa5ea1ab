// Messages a zone server sends about its players, and readable texts of the
// messages the biller sends back. Offsets are from the type byte; integers
// are little-endian.
#ifndef TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_MESSAGES_H_
#define TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_MESSAGES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyhall {

// Message types a zone sends.
inline constexpr char kPlayerLoginType = '\x04';
inline constexpr char kPlayerLogoffType = '\x05';
inline constexpr char kArenaMessageType = '\x07';
inline constexpr char kChatChannelType = '\x0e';
inline constexpr char kPlayerTextType = '\x0f';
inline constexpr char kDataBlockType = '\x10';
inline constexpr char kScoreUpdateType = '\x11';
inline constexpr char kUserCommandType = '\x13';

// `type`, the PlayerID (4 bytes), then `rest`.
std::string PlayerMessage(char type, std::int32_t player_id,
                          std::string_view rest);

// Player login (04, 78 bytes): confirmation flag (1 when `confirmed`, so a
// new player is added at once), IP (4 bytes, fitted), name (24), 40 unread
// bytes, PlayerID, MacID.
std::string PlayerLoginMessage(std::string_view name, std::int32_t player_id,
                               std::string_view ip, std::int32_t mac,
                               bool confirmed);

// Player logoff (05): 8 unread bytes, the usage value (2 bytes), then
// `score_block` (the optional 14-byte score record; any bytes given).
std::string PlayerLogoffMessage(std::int32_t player_id, std::int16_t usage,
                                std::string_view score_block = "");

// Arena message to all zones (07): 6 unread bytes, then the text.
std::string ArenaMessage(std::int32_t player_id, std::string_view text);

// Chat channel line (0E): the channel digit in a 32-byte field, then the
// text.
std::string ChannelMessage(std::int32_t player_id, char digit,
                           std::string_view text);

// User command (13): the text ended by a NUL.
std::string CommandMessage(std::int32_t player_id, std::string_view text);

// What a line typed for a player becomes: "?..." a user command (13),
// "**text" an arena message to all zones (07), ";text" or ";N;text" a line
// on chat channel 1 or N (0E), anything else player text (0F).
std::string MessageForTypedLine(std::int32_t player_id, std::string_view line);

// One readable line for a message the biller sent (from the type byte on):
// a player message's text, a login reply summarised, a channel line, a
// broadcast; other messages as their type and bytes in hex. Control bytes of
// texts are shown as \xHH (EscapeControlBytes).
std::string DescribeServerMessage(std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_MESSAGES_H_
