// The command table: the 49 command words in the order they are tried.
#ifndef TALLYHALL_COMMANDS_COMMAND_TABLE_H_
#define TALLYHALL_COMMANDS_COMMAND_TABLE_H_

#include <span>
#include <string_view>

#include "commands/command_context.h"

namespace tallyhall {

// kExact: the whole command text equals the word. kPrefix: the text begins
// with the word. Comparison is byte for byte, case-sensitive.
enum class Match { kExact, kPrefix };

// `args` is the command text after the word.
using CommandHandler = void(CommandContext& ctx, std::string_view args);

struct CommandEntry {
  std::string_view text;
  Match match;
  CommandHandler* handler;
  // The level a caller must hold; without it the command is ignored (no
  // reply). Commands that only behave differently per level say kNone.
  Level level = Level::kNone;
};

// Every entry, in the order of trial.
std::span<const CommandEntry> CommandTable();

// The first entry whose word matches `text`; null when none does.
const CommandEntry* FindCommand(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_COMMAND_TABLE_H_
