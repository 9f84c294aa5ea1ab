// Not built yet: handlers that accept and ignore their messages.
#include "players/chat.h"

namespace tallyhall {

void HandleArenaMessage(ServerCore&, std::int32_t, std::string_view) {}
void HandleChannelMessage(ServerCore&, std::int32_t, std::string_view) {}
void HandlePlayerText(ServerCore&, std::int32_t, std::string_view) {}

}  // namespace tallyhall
