// The operator levels MessageOp, AccountOp and SysOp: ?login, ?logoff,
// ?listop and ?listoppassword.
#ifndef TALLYHALL_COMMANDS_OPERATOR_LOGIN_COMMANDS_H_
#define TALLYHALL_COMMANDS_OPERATOR_LOGIN_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

void HandleListOpPassword(CommandContext& ctx, std::string_view args);
void HandleListOp(CommandContext& ctx, std::string_view args);
void HandleLogin(CommandContext& ctx, std::string_view args);
void HandleLogoff(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_OPERATOR_LOGIN_COMMANDS_H_
