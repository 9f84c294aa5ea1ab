// Settings commands: ?bset and ?bget read and write any key of the settings
// file; ?save saves every zone; ?autosave and ?greeting change the save
// period and the greeting that the running server holds in memory.
#ifndef TALLYHALL_COMMANDS_SETTINGS_COMMANDS_H_
#define TALLYHALL_COMMANDS_SETTINGS_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

// SysOp only (the dispatch checks).
void HandleBset(CommandContext& ctx, std::string_view args);
void HandleBget(CommandContext& ctx, std::string_view args);
void HandleSave(CommandContext& ctx, std::string_view args);
// Anybody sees the period; only a SysOp changes it.
void HandleAutoSave(CommandContext& ctx, std::string_view args);
// SysOp only (the dispatch checks).
void HandleGreeting(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SETTINGS_COMMANDS_H_
