// Parsing the command line of tallyhall-zone.
#include "zone_tool/zone_options.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>

#include "common/command_line.h"

namespace tallyhall {

const char kZoneUsage[] = R"(Usage: tallyhall-zone --password PASSWORD [options]
       tallyhall-zone --probe [--host ADDRESS] [--port N] [--seconds S]
Acts as a zone server towards a biller: connects, logs a zone in, optionally
logs a player in and sends what is typed, and prints every reply as text.
It talks only to the one address it is given and acknowledges every numbered
message the biller sends.

A health probe:
  --probe              sends only a connection request and waits up to
                       --seconds (2) for the biller's connection response:
                       exit status 0 when it comes, 1 otherwise. Nothing is
                       logged in or registered and no file is created on the
                       biller; no password is needed.

Connection:
  --host ADDRESS       the biller's IPv4 address or host name (127.0.0.1)
  --port N             the biller's UDP port (4000)
  --name NAME          the zone's ServerName ("Test Zone")
  --password PASSWORD  the biller password of the zone (required)
  --ids S G C          the zone's ServerID, GroupID and ScoreID (1 1 1)

A player session:
  --player NAME        logs the player in (as a confirmed new player when the
                       name is unknown), then sends each input line for him:
                         ?text      a command, e.g. ?about or ?squadjoin a:b
                         **text     an arena message to all zones
                         ;text      a line on chat channel 1; ;N;text on N
                         other      player text (shown on the biller's log)
                       Without --player nothing is sent after the zone login.
  --player-id N        the player's PlayerID (1)
  --mac N              the player's MacID (1)
  --file PATH          read the lines from PATH instead of standard input

A load run:
  --load N             logs N players in (Load1 ... LoadN), then each sends
                       the command again and again, waiting for its reply,
                       logging off and in again after every 20 commands;
                       prints replies per second and latency percentiles
  --command TEXT       the command the players send (?about); one with a
                       single reply line measures best

Stopping (the zone always logs off with Disconnect at the end):
  --seconds S          stop after S seconds (a load run lasts 10 by default)
  --quiet S            stop after S seconds without input or replies (300)
  End of input stops a player session once the replies have stopped.

Exit status: 0 done, 1 no answer, login refused or disconnected by the biller,
2 wrong usage.
)";

namespace {

// The IPv4 address of a dotted text or a host name; nullopt when there is
// none.
std::optional<Address> Resolve(const std::string& host, std::uint16_t port) {
  Address address{.port = port};
  in_addr ip{};
  if (::inet_pton(AF_INET, host.c_str(), &ip) != 1) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
      return std::nullopt;
    }
    ip = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
  }
  std::memcpy(address.ip.data(), &ip, address.ip.size());
  return address;
}

}  // namespace

std::optional<ZoneToolOptions> ParseZoneOptions(int argc, char** argv,
                                                std::string& error) {
  ZoneToolOptions o;
  std::string host = "127.0.0.1";
  bool password_given = false;
  CommandLine line(argc, argv);
  auto small = [&](int low, int high) {
    return static_cast<int>(line.Number(low, high));
  };
  while (line.Next()) {
    const std::string& word = line.word();
    if (word == "--help" || word == "-h") {
      o.help = true;
    } else if (word == "--host") {
      host = line.Value();
    } else if (word == "--port") {
      o.server.port = static_cast<std::uint16_t>(small(1, 65535));
    } else if (word == "--name") {
      o.zone.name = line.Value();
    } else if (word == "--password") {
      o.zone.password = line.Value();
      password_given = true;
    } else if (word == "--ids") {
      if (!line.Takes(3, "three values: ServerID GroupID ScoreID")) break;
      o.zone.server_id = line.Int32();
      o.zone.group_id = line.Int32();
      o.zone.score_id = line.Int32();
    } else if (word == "--player") {
      o.player = line.Value();
    } else if (word == "--player-id") {
      o.player_id = line.Int32();
    } else if (word == "--mac") {
      o.mac = line.Int32();
    } else if (word == "--file") {
      o.file = line.Value();
    } else if (word == "--quiet") {
      o.quiet_seconds = small(1, 86400);
    } else if (word == "--seconds") {
      o.seconds = small(1, 3600);
    } else if (word == "--load") {
      o.load_players = small(1, 10000);
    } else if (word == "--command") {
      o.load_command = line.Value();
    } else if (word == "--probe") {
      o.probe = true;
    } else {
      line.Fail("unknown argument " + word);
    }
  }
  error = line.error();
  if (!error.empty()) return std::nullopt;
  if (o.help) return o;
  if (o.probe && (o.player || o.file || o.load_players > 0)) {
    error = "--probe does not go with --player, --file or --load";
    return std::nullopt;
  }
  if (!password_given && !o.probe) {
    error = "--password is required";
    return std::nullopt;
  }
  if (o.load_players > 0 && (o.player || o.file)) {
    error = "--load does not go with --player or --file";
    return std::nullopt;
  }
  std::optional<Address> server = Resolve(host, o.server.port);
  if (!server) {
    error = "no IPv4 address for " + host;
    return std::nullopt;
  }
  o.server = *server;
  return o;
}

}  // namespace tallyhall
