// Not built yet: handlers that accept and ignore their messages.
#include "players/player_login.h"

namespace tallyhall {

void HandlePlayerLogin(ServerCore&, std::int32_t, std::string_view) {}

}  // namespace tallyhall
