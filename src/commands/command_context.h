// What a command handler gets: the caller's zone and player, the command
// text, and the reply vocabulary shared by every command family.
#ifndef TALLYHALL_COMMANDS_COMMAND_CONTEXT_H_
#define TALLYHALL_COMMANDS_COMMAND_CONTEXT_H_

#include <cstdint>
#include <string_view>

#include "context/server_core.h"
#include "zones/operator_levels.h"
#include "zones/zone_table.h"

namespace tallyhall {

// Built by the dispatch for one command; valid while the handler runs. The
// zone and player references stay valid for that time: no handler removes
// zones or players of the caller's zone.
struct CommandContext {
  ServerCore& core;
  std::int32_t zone_id;  // the caller's zone, 1..ZoneCount
  ZoneEntry& zone;
  ZonePlayer& player;
  std::int32_t player_id;
  // The command text as received, up to its first NUL: no case folding,
  // no trimming.
  std::string_view text;

  // Sends one reply line to the caller. A failure to send follows the
  // failure rule (a terminal line) and the handler goes on.
  void Reply(std::string_view line);

  // The number at the start of `text` (see ReadNumber). A value outside the
  // signed 32-bit range writes "Overflow 6" to the terminal and reads as 0.
  std::int32_t Number(std::string_view text);

  // True when the caller holds `level` (always for Level::kNone).
  bool Holds(Level level) const { return tallyhall::Holds(player, level); }
};

// `text` without its leading blanks, as handlers take an argument "with
// leading blanks removed" (other whitespace is kept).
std::string_view WithoutLeadingBlanks(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_COMMAND_CONTEXT_H_
