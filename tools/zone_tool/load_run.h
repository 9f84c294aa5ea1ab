// The load run of tallyhall-zone: many players of one zone send a command
// again and again, each waiting for its reply, and log off and in again
// now and then; replies per second and latency percentiles are printed.
#ifndef TALLYHALL_TOOLS_ZONE_TOOL_LOAD_RUN_H_
#define TALLYHALL_TOOLS_ZONE_TOOL_LOAD_RUN_H_

#include "zone_client/zone_client.h"
#include "zone_tool/zone_options.h"

namespace tallyhall {

// Logs the zone and options.load_players players in, runs for
// options.seconds (10 when absent), logs them off and the zone too; returns
// the exit status.
int RunLoad(ZoneClient& client, const ZoneToolOptions& options);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_TOOL_LOAD_RUN_H_
