// The command dispatch: a user command (message 13) is matched against the
// command table and handed to one handler.
#ifndef TALLYHALL_COMMANDS_DISPATCH_H_
#define TALLYHALL_COMMANDS_DISPATCH_H_

#include <cstdint>
#include <string_view>

namespace tallyhall {

class ServerCore;

// Message 13 from zone `zone_id`; `message` starts at the type byte.
void DispatchCommand(ServerCore& core, std::int32_t zone_id,
                     std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_DISPATCH_H_
