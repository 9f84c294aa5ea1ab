// What a player asks of the scores: ?scoreid (his own ScoreID), the score
// listings ?scoreown, ?scoreall and ?scorefind in the score table layout,
// and ?scoreswap, which arranges a score swap for the caller's logoff.
// Adding, editing and deleting records is in score_record_commands.
#ifndef TALLYHALL_COMMANDS_SCORE_COMMANDS_H_
#define TALLYHALL_COMMANDS_SCORE_COMMANDS_H_

#include <string_view>

namespace tallyhall {

struct CommandContext;

void HandleScoreId(CommandContext& ctx, std::string_view args);
void HandleScoreOwn(CommandContext& ctx, std::string_view args);
void HandleScoreSwap(CommandContext& ctx, std::string_view args);
void HandleScoreAll(CommandContext& ctx, std::string_view args);
void HandleScoreFind(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SCORE_COMMANDS_H_
