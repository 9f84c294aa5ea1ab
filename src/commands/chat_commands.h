// The chat command: ?chat sets and shows a player's channels.
#ifndef TALLYHALL_COMMANDS_CHAT_COMMANDS_H_
#define TALLYHALL_COMMANDS_CHAT_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

// ?chat=(channels) or ?chat (channels) sets the caller's channels; ?chat
// alone shows them with their members.
void HandleChat(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_CHAT_COMMANDS_H_
