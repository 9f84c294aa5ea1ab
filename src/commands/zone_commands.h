// Zone administration: ?zonelist and ?zoneplayers show the zones that share
// this biller and their players; ?zonerecycle, ?zonereset and ?zoneclose let
// a SysOp send a zone server its recycle or shutdown message.
#ifndef TALLYHALL_COMMANDS_ZONE_COMMANDS_H_
#define TALLYHALL_COMMANDS_ZONE_COMMANDS_H_

#include <string>
#include <string_view>

namespace tallyhall {

struct CommandContext;

// The 10-byte control messages; they differ only in their first byte. Each
// leaves framed as a reliable message with the target zone's next sequence
// number.
std::string RecycleMessage();
std::string ShutdownMessage();

// Anybody; a SysOp also sees each zone's address, game port and MSC.
void HandleZoneList(CommandContext& ctx, std::string_view args);
void HandleZonePlayers(CommandContext& ctx, std::string_view args);
// SysOp only (the dispatch checks).
void HandleZoneRecycle(CommandContext& ctx, std::string_view args);
void HandleZoneReset(CommandContext& ctx, std::string_view args);
void HandleZoneClose(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_ZONE_COMMANDS_H_
