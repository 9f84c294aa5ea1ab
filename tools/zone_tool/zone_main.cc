// tallyhall-zone: a zone server simulator for trying a biller. It logs a zone
// in, then runs a player session or a load run, and logs the zone off.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "zone_client/zone_client.h"
#include "zone_tool/load_run.h"
#include "zone_tool/zone_link.h"
#include "zone_tool/zone_options.h"
#include "zone_tool/zone_session.h"

int main(int argc, char** argv) {
  using namespace tallyhall;
  std::string error;
  const std::optional<ZoneToolOptions> options =
      ParseZoneOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "tallyhall-zone: %s (see --help)\n", error.c_str());
    return kZoneExitUsage;
  }
  if (options->help) {
    std::fputs(kZoneUsage, stdout);
    return 0;
  }
  int input_fd = STDIN_FILENO;
  if (options->file) {
    input_fd = ::open(options->file->c_str(), O_RDONLY | O_CLOEXEC);
    if (input_fd < 0) {
      std::fprintf(stderr, "tallyhall-zone: %s: %s\n", options->file->c_str(),
                   std::strerror(errno));
      return kZoneExitUsage;
    }
  }
  // A closed output pipe must not end the run before the zone logs off.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    ZoneClient client(options->server);
    if (options->probe) {
      return Probe(client, options->server, options->seconds.value_or(2));
    }
    return options->load_players > 0
               ? RunLoad(client, *options)
               : RunZoneSession(client, *options, input_fd);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tallyhall-zone: %s\n", failure.what());
    return kZoneExitFailure;
  }
}
