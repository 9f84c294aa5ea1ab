// Not built yet: handlers that accept and ignore their messages.
#include "commands/dispatch.h"

namespace tallyhall {

void DispatchCommand(ServerCore&, std::int32_t, std::string_view) {}

}  // namespace tallyhall
