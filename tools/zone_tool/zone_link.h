// The zone tool's side of a zone's life at the biller: logging the zone in
// and off, and taking the datagrams the biller sends, each numbered message
// acknowledged at once. Shared by the player session and the load run.
#ifndef TALLYHALL_TOOLS_ZONE_TOOL_ZONE_LINK_H_
#define TALLYHALL_TOOLS_ZONE_TOOL_ZONE_LINK_H_

#include <string_view>

#include "base/address.h"
#include "zone_client/zone_client.h"

namespace tallyhall {

// Prints one line on stdout and flushes it, so piped output keeps pace.
void PrintLine(std::string_view text);

enum class Arrival {
  kNothing,     // no datagram within the time
  kMessage,     // a numbered message, acknowledged
  kDisconnect,  // the biller sent Disconnect: the zone is gone
  kOther,       // anything else (an acknowledgement, say)
};

// Waits up to `timeout_ms` for one datagram. A numbered message is
// acknowledged and stored in `message`.
Arrival ReceiveFromBiller(ZoneClient& client, int timeout_ms,
                          ServerMessage& message);

// Opens the connection and logs the zone in, printing the outcome; false
// when the biller refused the zone or did not answer.
bool LogZoneIn(ZoneClient& client, const ZoneLoginFields& zone,
               const Address& server);

// The health probe: sends only a connection request and waits up to
// `seconds` for the connection response, printing the outcome. The biller
// keeps nothing of it. Returns the exit status: 0 answered, 1 not.
int Probe(ZoneClient& client, const Address& server, int seconds);

// Sends Disconnect and waits up to a second for the biller's Disconnect,
// printing what it does meanwhile.
void LogZoneOff(ZoneClient& client);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_TOOL_ZONE_LINK_H_
