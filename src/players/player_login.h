// Player login (message 04): finding or creating the player's record, the login
// reply, and adding the player to the zone.
#ifndef TALLYHALL_PLAYERS_PLAYER_LOGIN_H_
#define TALLYHALL_PLAYERS_PLAYER_LOGIN_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;

// Message 04 from zone `zone_id`; `message` starts at the type byte.
void HandlePlayerLogin(ServerCore& core, std::int32_t zone_id,
                       std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_PLAYER_LOGIN_H_
