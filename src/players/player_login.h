// Player login (message 04): finding or creating the player's record, the login
// reply, and adding the player to the zone.
#ifndef TALLYHALL_PLAYERS_PLAYER_LOGIN_H_
#define TALLYHALL_PLAYERS_PLAYER_LOGIN_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace tallyhall {

class ServerCore;
struct ZoneEntry;

// Player login message, offsets from the type byte: confirmation flag 1 (0 =
// first attempt, else the zone confirms a new record), IP 2 (4, network
// order), name 6 (24, NUL-padded), PlayerID 70 (4), MacID 74 (4). Bytes from
// 78 on are not read.
inline constexpr std::size_t kLoginFlag = 1;
inline constexpr std::size_t kLoginIp = 2;
inline constexpr std::size_t kLoginName = 6;
inline constexpr std::size_t kLoginPlayerId = 70;
inline constexpr std::size_t kLoginMacId = 74;
inline constexpr std::size_t kLoginMessageSize = 78;

// The accepted login reply is this long.
inline constexpr std::size_t kAcceptedReplySize = 192;

// Message 04 from zone `zone_id`; `message` starts at the type byte. A login
// too short to hold its IP and MacID is logged and otherwise ignored. A
// player already listed with the login's PlayerID is removed first (nothing
// is stored for him) with the line ") Stale player entry replaced: " + name.
void HandlePlayerLogin(ServerCore& core, std::int32_t zone_id,
                       std::string_view message);

// Reply 01 00, 192 bytes, built from User Database record `user_id`:
// PlayerID 2 (4, `player_id` bytes as received), name 6 (24), squad name 30
// (24, NUL when in no squad), DataBlock 54 (96), UsageTotal 150 (4), Created
// 154 (12), 166 (4 NUL), UserID 170 (4), 174 (4 NUL), score record 178 (14).
std::string AcceptedLoginReply(const ZoneEntry& zone, std::int32_t user_id,
                               std::string_view name,
                               std::string_view player_id);
// 01 01 + PlayerID bytes: the zone is asked to confirm a new record.
std::string ConfirmLoginReply(std::string_view player_id);
// 01 02 + PlayerID bytes: new records are not allowed.
std::string RefusedLoginReply(std::string_view player_id);

// The name the login reply carries for a known player: `name` while no player
// of the zone has it (ignoring case); else `name` followed by n blanks, and
// once 24 characters are reached, the last characters replaced by the
// decimal n, for the first n that no player has.
std::string UnusedPlayerName(const ZoneEntry& zone, std::string_view name);

// The Greeting setting with its first "[default]" (any case) replaced by the
// standard greeting.
std::string GreetingText(std::string_view greeting_setting);

// Appends the player to zone `zone_id`, stamps `ip` and today's date into
// record `user_id`, and queues the greeting. `mac`, `ip` and `player_id` are
// 4 bytes each. When the list cannot grow, writes a line and changes nothing.
void AddPlayer(ServerCore& core, std::int32_t zone_id, std::string_view name,
               std::string_view mac, std::string_view ip,
               std::string_view player_id, std::int32_t user_id,
               const LocalTime& now);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_PLAYER_LOGIN_H_
