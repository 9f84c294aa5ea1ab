// Traffic between players: arena messages to all zones (07), chat channel
// lines (0E, 14), player text (0F), and the ?chat and ?find commands.
#ifndef TALLYHALL_PLAYERS_CHAT_H_
#define TALLYHALL_PLAYERS_CHAT_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;
struct CommandContext;

// Each takes the message from its type byte on.
void HandleArenaMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view message);
void HandleChannelMessage(ServerCore& core, std::int32_t zone_id,
                          std::string_view message);
void HandlePlayerText(ServerCore& core, std::int32_t zone_id,
                      std::string_view message);

// ?chat=(channels) or ?chat (channels) sets the caller's channels; ?chat
// alone shows them with their members.
void HandleChat(CommandContext& ctx, std::string_view args);
// ?find (name), and for a SysOp ?find (name/macid/ip): players of every zone.
void HandleFind(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_CHAT_H_
