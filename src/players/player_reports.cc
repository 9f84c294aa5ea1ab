// Not built yet: handlers that accept and ignore their messages.
#include "players/player_reports.h"

namespace tallyhall {

void HandlePlayerLogoff(ServerCore&, std::int32_t, std::string_view) {}
void HandleDataBlock(ServerCore&, std::int32_t, std::string_view) {}
void HandleScoreUpdate(ServerCore&, std::int32_t, std::string_view) {}

}  // namespace tallyhall
