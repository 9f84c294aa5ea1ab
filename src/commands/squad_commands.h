// The squad commands: creating, joining, leaving and dissolving squads,
// passing ownership, passwords and names, the member and squad listings, and
// ?squadid. Squads live in the caller's zone's Squad Database; a player's
// membership is the SquadID field of his User Database record.
#ifndef TALLYHALL_COMMANDS_SQUAD_COMMANDS_H_
#define TALLYHALL_COMMANDS_SQUAD_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

// Every handler replies to the caller alone and writes no terminal line of
// its own. A squad is owned only by a record that exists: a SquadID that
// names no squad, and an owner below 1, are owned by nobody, not even by a
// caller whose record was deleted (UserID 0).
void HandleSquadCreate(CommandContext& ctx, std::string_view args);
void HandleSquadJoin(CommandContext& ctx, std::string_view args);
void HandleSquadLeave(CommandContext& ctx, std::string_view args);
void HandleSquadDissolve(CommandContext& ctx, std::string_view args);
void HandleSquadGrant(CommandContext& ctx, std::string_view args);
// Open to everybody; an AccountOp may show and change any squad's password.
void HandleSquadPassword(CommandContext& ctx, std::string_view args);
void HandleSquadKick(CommandContext& ctx, std::string_view args);
void HandleSquadMembers(CommandContext& ctx, std::string_view args);
void HandleSquadId(CommandContext& ctx, std::string_view args);
void HandleSquadDatabase(CommandContext& ctx, std::string_view args);
// The dispatch lets only an AccountOp reach it.
void HandleSquadOwner(CommandContext& ctx, std::string_view args);
void HandleSquadOwn(CommandContext& ctx, std::string_view args);
// Open to everybody; an AccountOp may rename any squad.
void HandleSquadName(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SQUAD_COMMANDS_H_
