// A zone server's end of the biller protocol over plain POSIX UDP: opening a
// connection, logging a zone in, sending numbered messages and collecting
// what the server sends back. Shared by the tests and the
// tallyhall-zone tool; message builders are in zone_client/zone_messages.h.
#ifndef TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_CLIENT_H_
#define TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_CLIENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/address.h"

namespace tallyhall {

struct ZoneLoginFields {
  std::string name = "Test Zone";
  std::string password = "ledgerkite";
  std::int32_t server_id = 1;
  std::int32_t group_id = 1;
  std::int32_t score_id = 1;
  std::int16_t game_port = 5000;
};

// The zone login message (type 01 and its fields, 165 bytes).
std::string ZoneLoginMessage(const ZoneLoginFields& fields);

// A reliable message the server sent: its sequence number and the message
// from the type byte on.
struct ServerMessage {
  std::int32_t sequence = 0;
  std::string message;
};

// One UDP socket connected to one server address: it sends only there and
// receives only from there. Not copyable; the socket closes with the object.
class ZoneClient {
 public:
  // Talks to `server_port` on 127.0.0.1.
  explicit ZoneClient(std::uint16_t server_port);
  // Talks to `server`. Throws std::runtime_error when no socket can be made.
  explicit ZoneClient(const Address& server);
  ~ZoneClient();
  ZoneClient(const ZoneClient&) = delete;
  ZoneClient& operator=(const ZoneClient&) = delete;

  std::uint16_t local_port() const { return local_port_; }
  // The socket, for waiting on it together with other files.
  int fd() const { return fd_; }

  void SendRaw(std::string_view bytes);
  // The next datagram, or nullopt when none arrives within `timeout_ms` (or
  // the server's host reports the port closed).
  std::optional<std::string> Receive(int timeout_ms = 2000);
  // Every datagram that arrives until the socket stays quiet for `quiet_ms`
  // (waiting up to 2 seconds for the first).
  std::vector<std::string> ReceiveUntilQuiet(int quiet_ms = 300);

  // Sends 00 01 + key + 01 00; true when answered with 00 02 + key within
  // `timeout_ms`.
  bool Connect(int timeout_ms = 2000);
  // Sends 00 03 + the client's next sequence + message; returns the
  // sequence bytes used.
  std::string SendReliable(std::string_view message);
  // Sends the acknowledgement 00 04 + the sequence of `message`.
  void Acknowledge(const ServerMessage& message);
  // Connects and sends the zone login; returns the server's answer (the
  // acknowledgement, Disconnect, or empty when none came).
  std::string LogIn(const ZoneLoginFields& fields);
  // Reliable messages received until the socket is quiet; acknowledgements
  // and other packets are skipped.
  std::vector<ServerMessage> ReceiveMessages(int quiet_ms = 300);
  // Waits for the next reliable message.
  std::optional<ServerMessage> NextMessage(int timeout_ms = 2000);

 private:
  int fd_ = -1;
  std::uint16_t local_port_ = 0;
  std::int32_t next_sequence_ = 0;
};

// Decodes 00 03 + sequence + message; nullopt for other packets.
std::optional<ServerMessage> DecodeReliable(std::string_view datagram);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_ZONE_CLIENT_ZONE_CLIENT_H_
