// What zones report about their players: logoff with usage and scores (05),
// data block (10) and score update (11).
#ifndef TALLYHALL_PLAYERS_PLAYER_REPORTS_H_
#define TALLYHALL_PLAYERS_PLAYER_REPORTS_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;

// Each takes the message from its type byte on.
void HandlePlayerLogoff(ServerCore& core, std::int32_t zone_id,
                        std::string_view message);
void HandleDataBlock(ServerCore& core, std::int32_t zone_id,
                     std::string_view message);
void HandleScoreUpdate(ServerCore& core, std::int32_t zone_id,
                       std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_PLAYER_REPORTS_H_
