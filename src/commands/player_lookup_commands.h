// Looking players up: ?find among the players present in every zone (open
// to all; a SysOp also matches MacIDs and IPs), and the stored records of the
// caller's zone: ?username (AccountOp), ?info, ?infopage, ?infodump, ?alias,
// ?aliaspage and ?aliasx2 (SysOp). The dispatch checks the levels; the
// handlers trust it.
#ifndef TALLYHALL_COMMANDS_PLAYER_LOOKUP_COMMANDS_H_
#define TALLYHALL_COMMANDS_PLAYER_LOOKUP_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

// ?find (name), and for a SysOp ?find (name/macid/ip): players of every zone.
void HandleFind(CommandContext& ctx, std::string_view args);
void HandleUsername(CommandContext& ctx, std::string_view args);
void HandleInfoDump(CommandContext& ctx, std::string_view args);
void HandleInfoPage(CommandContext& ctx, std::string_view args);
void HandleInfo(CommandContext& ctx, std::string_view args);
void HandleAliasX2(CommandContext& ctx, std::string_view args);
void HandleAliasPage(CommandContext& ctx, std::string_view args);
void HandleAlias(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_PLAYER_LOOKUP_COMMANDS_H_
