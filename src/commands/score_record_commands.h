// Record administration: ?scoreadd and ?scoreedit for AccountOps (the level
// is checked by the dispatch) and ?scoredelete, open to every player for the
// records that carry his own MacID and to AccountOps for any record.
#ifndef TALLYHALL_COMMANDS_SCORE_RECORD_COMMANDS_H_
#define TALLYHALL_COMMANDS_SCORE_RECORD_COMMANDS_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

struct CommandContext;
struct ZoneDatabases;

// Removes User Database record `user_id` (1..UserCount) with the score
// record S its ScoreID names. When S lies in 1..ScoreCount, score record S
// goes too and every record's ScoreID in S + 1..ScoreCount is decreased by
// one, wherever the record stands; otherwise no score record moves. A squad
// owned by the removed record gets Owner 0, one owned by a later record its
// Owner decreased by one. Players present are the caller's to renumber.
void RemoveUserWithScores(ZoneDatabases& dbs, std::int32_t user_id);

void HandleScoreAdd(CommandContext& ctx, std::string_view args);
void HandleScoreEdit(CommandContext& ctx, std::string_view args);
void HandleScoreDelete(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SCORE_RECORD_COMMANDS_H_
