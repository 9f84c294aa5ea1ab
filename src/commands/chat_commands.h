// The chat commands: ?chat sets and shows a player's channels, ?find looks
// for players in every zone.
#ifndef TALLYHALL_COMMANDS_CHAT_COMMANDS_H_
#define TALLYHALL_COMMANDS_CHAT_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

// ?chat=(channels) or ?chat (channels) sets the caller's channels; ?chat
// alone shows them with their members.
void HandleChat(CommandContext& ctx, std::string_view args);
// ?find (name), and for a SysOp ?find (name/macid/ip): players of every zone.
void HandleFind(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_CHAT_COMMANDS_H_
