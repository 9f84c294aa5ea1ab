// The player session of tallyhall-zone: the zone logs in, a player logs in,
// each input line is sent for him and every reply is printed, until the
// input ends, time is up or everything stays quiet; then both log off.
#ifndef TALLYHALL_TOOLS_ZONE_TOOL_ZONE_SESSION_H_
#define TALLYHALL_TOOLS_ZONE_TOOL_ZONE_SESSION_H_

#include "zone_client/zone_client.h"
#include "zone_tool/zone_options.h"

namespace tallyhall {

inline constexpr int kZoneExitFailure = 1;  // no answer, refused, disconnected
inline constexpr int kZoneExitUsage = 2;

// Runs the session, reading lines from `input_fd`; returns the exit status.
// Without a player in `options` the lines are not sent.
int RunZoneSession(ZoneClient& client, const ZoneToolOptions& options,
                   int input_fd);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_TOOL_ZONE_SESSION_H_
