// The command dispatch: finds the caller, matches the word, checks the level
// the command needs and runs its handler.
#include "commands/dispatch.h"

#include "commands/command_table.h"
#include "context/server_core.h"
#include "db/encoding.h"

namespace tallyhall {

void DispatchCommand(ServerCore& core, std::int32_t zone_id,
                     std::string_view message) {
  // Message: type 13, PlayerID (4), command text up to the first NUL.
  const std::int32_t player_id =
      BytesToInt32(message.size() > 1 ? message.substr(1, 4) : "");
  const std::string_view text =
      TrimAtNul(message.size() > 5 ? message.substr(5) : "");
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindPlayerByID(zone, player_id);
  if (index == 0) return;
  const CommandEntry* entry = FindCommand(text);
  if (entry == nullptr) {
    core.counters().CountCommand(kUnknownCommand, /*allowed=*/true);
    return;
  }
  CommandContext ctx{.core = core,
                     .zone_id = zone_id,
                     .zone = zone,
                     .player = zone.Player(index),
                     .player_id = player_id,
                     .text = text};
  const bool allowed = ctx.Holds(entry->level);
  core.counters().CountCommand(
      static_cast<std::size_t>(entry - CommandTable().data()), allowed);
  if (!allowed) return;
  entry->handler(ctx, text.substr(entry->text.size()));
}

}  // namespace tallyhall
