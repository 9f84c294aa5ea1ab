// Zone login and logoff for the zone tool, and the receiving of datagrams
// with their acknowledgements.
#include "zone_tool/zone_link.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "base/terminal.h"
#include "db/encoding.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {

namespace {

const std::string kDisconnect("\x00\x07", 2);

std::string AddressText(const Address& address) {
  return IpText(address.IpBytes()) + ":" + DecimalText(address.port);
}

}  // namespace

void PrintLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

Arrival ReceiveFromBiller(ZoneClient& client, int timeout_ms,
                          ServerMessage& message) {
  const std::optional<std::string> datagram = client.Receive(timeout_ms);
  if (!datagram) return Arrival::kNothing;
  if (*datagram == kDisconnect) return Arrival::kDisconnect;
  std::optional<ServerMessage> decoded = DecodeReliable(*datagram);
  if (!decoded) return Arrival::kOther;
  client.Acknowledge(*decoded);
  message = std::move(*decoded);
  return Arrival::kMessage;
}

bool LogZoneIn(ZoneClient& client, const ZoneLoginFields& zone,
               const Address& server) {
  if (!client.Connect()) {
    PrintLine("No answer from " + AddressText(server));
    return false;
  }
  PrintLine("Connected to " + AddressText(server));
  client.SendReliable(ZoneLoginMessage(zone));
  const std::optional<std::string> answer = client.Receive();
  if (answer && answer->starts_with(std::string("\x00\x04", 2))) {
    PrintLine("Zone " + EscapeControlBytes(zone.name) + " logged in");
    return true;
  }
  PrintLine(answer == kDisconnect
                ? "Zone login refused: the biller answered Disconnect"
                : "Zone login: no answer");
  return false;
}

int Probe(ZoneClient& client, const Address& server, int seconds) {
  const auto start = std::chrono::steady_clock::now();
  if (!client.Connect(seconds * 1000)) {
    PrintLine("No connection response from " + AddressText(server) +
              " within " + DecimalText(seconds) + " s");
    return 1;
  }
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  PrintLine("Connection response from " + AddressText(server) + " in " +
            DecimalText(static_cast<std::int64_t>(waited.count())) + " ms");
  return 0;
}

void LogZoneOff(ZoneClient& client) {
  client.SendRaw(kDisconnect);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(1);
  ServerMessage message;
  while (std::chrono::steady_clock::now() < deadline) {
    const Arrival arrival = ReceiveFromBiller(client, 100, message);
    if (arrival == Arrival::kDisconnect) {
      PrintLine("Zone logged off");
      return;
    }
    if (arrival == Arrival::kMessage) {
      PrintLine(DescribeServerMessage(message.message));
    }
  }
  PrintLine("Zone logoff sent; no answer");
}

}  // namespace tallyhall
