// The command line of tallyhall-zone, the zone server simulator.
#ifndef TALLYHALL_TOOLS_ZONE_TOOL_ZONE_OPTIONS_H_
#define TALLYHALL_TOOLS_ZONE_TOOL_ZONE_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "base/address.h"
#include "zone_client/zone_client.h"

namespace tallyhall {

extern const char kZoneUsage[];

struct ZoneToolOptions {
  Address server{.ip = {127, 0, 0, 1}, .port = 4000};
  ZoneLoginFields zone;  // name, password, IDs
  std::optional<std::string> player;
  std::int32_t player_id = 1;
  std::int32_t mac = 1;
  std::optional<std::string> file;  // lines to send; stdin when absent
  int quiet_seconds = 300;          // stop after this long without traffic
  std::optional<int> seconds;       // stop after this long in any case
  int load_players = 0;             // 0: no load run
  std::string load_command = "?about";
  bool probe = false;  // only a connection request
  bool help = false;
};

// Reads the command line; nullopt with `error` set when it is malformed.
// The password is required, except with --help and --probe.
std::optional<ZoneToolOptions> ParseZoneOptions(int argc, char** argv,
                                                std::string& error);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_TOOL_ZONE_OPTIONS_H_
