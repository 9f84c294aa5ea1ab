// What zones report about their players: logoff with usage and scores (05),
// data block (10) and score update (11).
#ifndef TALLYHALL_PLAYERS_PLAYER_REPORTS_H_
#define TALLYHALL_PLAYERS_PLAYER_REPORTS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;
class UserDatabase;

// Offsets from the type byte. Every report names its player by PlayerID at 1
// (4). Logoff: usage 13 (2, signed, added to UsageTotal), score block 15 (14,
// optional). Data block: 5 (96). Score update: score block 5 (14).
inline constexpr std::size_t kReportPlayerId = 1;
inline constexpr std::size_t kLogoffUsage = 13;
inline constexpr std::size_t kLogoffScore = 15;
inline constexpr std::size_t kReportBlock = 5;

// Each takes the message from its type byte on. A report for a PlayerID that
// is not in the zone is ignored, and so is a data block or score block cut
// short by the end of the message.
void HandlePlayerLogoff(ServerCore& core, std::int32_t zone_id,
                        std::string_view message);
void HandleDataBlock(ServerCore& core, std::int32_t zone_id,
                     std::string_view message);
void HandleScoreUpdate(ServerCore& core, std::int32_t zone_id,
                       std::string_view message);

// The first UserID whose MacID is `mac` and whose name, cut at its first
// NUL, equals `swap_name` without regard to case; 0 when none.
std::int32_t FindSwapRecord(const UserDatabase& users, std::int32_t mac,
                            std::string_view swap_name);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_PLAYER_REPORTS_H_
