// Traffic between players: arena messages to all zones (07), chat channel lines
// (0E, 14) and player text (0F).
#ifndef TALLYHALL_PLAYERS_CHAT_H_
#define TALLYHALL_PLAYERS_CHAT_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;

// Each takes the message from its type byte on.
void HandleArenaMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view message);
void HandleChannelMessage(ServerCore& core, std::int32_t zone_id,
                          std::string_view message);
void HandlePlayerText(ServerCore& core, std::int32_t zone_id,
                      std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_CHAT_H_
