// The zone server's socket and the framing of numbered messages.
#include "zone_client/zone_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "db/encoding.h"

namespace tallyhall {

std::string ZoneLoginMessage(const ZoneLoginFields& f) {
  std::string message(1, '\x01');
  message += Int32ToBytes(f.server_id);
  message += Int32ToBytes(f.group_id);
  message += Int32ToBytes(f.score_id);
  message += PadField(f.name, 126);
  message += Int16ToBytes(f.game_port);
  message += PadField(f.password, 24);
  return message;
}

std::optional<ServerMessage> DecodeReliable(std::string_view datagram) {
  if (datagram.size() < 6 || datagram[0] != 0 || datagram[1] != 3) {
    return std::nullopt;
  }
  return ServerMessage{BytesToInt32(datagram.substr(2, 4)),
                       std::string(datagram.substr(6))};
}

ZoneClient::ZoneClient(std::uint16_t server_port)
    : ZoneClient(Address{.ip = {127, 0, 0, 1}, .port = server_port}) {}

ZoneClient::ZoneClient(const Address& server) {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  std::memcpy(&peer.sin_addr, server.ip.data(), server.ip.size());
  peer.sin_port = htons(server.port);
  // A connected socket sends only to the server and takes datagrams only
  // from it.
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    ::close(fd_);
    throw std::runtime_error("cannot reach " + IpText(server.IpBytes()) + ":" +
                             std::to_string(server.port) + ": " +
                             std::strerror(errno));
  }
  sockaddr_in local{};
  socklen_t size = sizeof local;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
  local_port_ = ntohs(local.sin_port);
}

ZoneClient::~ZoneClient() { ::close(fd_); }

void ZoneClient::SendRaw(std::string_view bytes) {
  ::send(fd_, bytes.data(), bytes.size(), 0);
}

std::optional<std::string> ZoneClient::Receive(int timeout_ms) {
  pollfd ready{.fd = fd_, .events = POLLIN, .revents = 0};
  if (::poll(&ready, 1, timeout_ms) <= 0) return std::nullopt;
  char buffer[65536];
  ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
  if (size < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(size));
}

std::vector<std::string> ZoneClient::ReceiveUntilQuiet(int quiet_ms) {
  std::vector<std::string> datagrams;
  // The first answer may take a while on a loaded machine; after it, the
  // rest of a burst follows at once.
  for (auto datagram = Receive(2000); datagram; datagram = Receive(quiet_ms)) {
    datagrams.push_back(std::move(*datagram));
  }
  return datagrams;
}

bool ZoneClient::Connect(int timeout_ms) {
  const std::string key("\x11\x22\x33\x44", 4);
  SendRaw(std::string("\x00\x01", 2) + key + std::string("\x01\x00", 2));
  auto answer = Receive(timeout_ms);
  return answer && *answer == std::string("\x00\x02", 2) + key;
}

std::string ZoneClient::SendReliable(std::string_view message) {
  const std::string sequence = Int32ToBytes(next_sequence_++);
  SendRaw(std::string("\x00\x03", 2) + sequence + std::string(message));
  return sequence;
}

void ZoneClient::Acknowledge(const ServerMessage& message) {
  SendRaw(std::string("\x00\x04", 2) + Int32ToBytes(message.sequence));
}

std::string ZoneClient::LogIn(const ZoneLoginFields& fields) {
  if (!Connect()) return {};
  SendReliable(ZoneLoginMessage(fields));
  return Receive().value_or("");
}

std::vector<ServerMessage> ZoneClient::ReceiveMessages(int quiet_ms) {
  std::vector<ServerMessage> messages;
  for (const std::string& datagram : ReceiveUntilQuiet(quiet_ms)) {
    if (auto message = DecodeReliable(datagram)) {
      messages.push_back(std::move(*message));
    }
  }
  return messages;
}

std::optional<ServerMessage> ZoneClient::NextMessage(int timeout_ms) {
  while (auto datagram = Receive(timeout_ms)) {
    if (auto message = DecodeReliable(*datagram)) return message;
  }
  return std::nullopt;
}

}  // namespace tallyhall
