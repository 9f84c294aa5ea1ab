// The framing of reliable messages and the send operations to zones.
#include "net/messages.h"

#include <array>
#include <initializer_list>

#include "context/server_core.h"
#include "db/encoding.h"
#include "zones/zone_table.h"

namespace tallyhall {
namespace {

constexpr std::string_view kNul{"\0", 1};

// A message's type byte and the PlayerID it is about, little-endian.
class PlayerHead {
 public:
  PlayerHead(unsigned char type, std::int32_t player_id) {
    const auto id = static_cast<std::uint32_t>(player_id);
    bytes_ = {static_cast<char>(type), static_cast<char>(id & 0xFF),
              static_cast<char>(id >> 8 & 0xFF),
              static_cast<char>(id >> 16 & 0xFF), static_cast<char>(id >> 24)};
  }
  std::string_view bytes() const { return {bytes_.data(), bytes_.size()}; }

 private:
  std::array<char, 5> bytes_;
};

// Sends 00 03 + NextSequence + the parts of a message, put together in one
// piece.
void SendFramed(ServerCore& core, ZoneEntry& zone,
                std::initializer_list<std::string_view> parts) {
  std::size_t size = 6;
  for (std::string_view part : parts) size += part.size();
  std::string datagram;
  datagram.reserve(size);
  datagram.append("\x00\x03", 2);
  datagram += NextSequence(zone);
  for (std::string_view part : parts) datagram += part;
  core.transport().SendDatagram(zone.address, datagram);
}

}  // namespace

std::string AcknowledgementFor(std::string_view datagram) {
  return std::string("\x00\x04", 2) + std::string(FieldAt(datagram, 2, 4));
}

std::string ConnectResponseFor(std::string_view datagram) {
  return std::string("\x00\x02", 2) + std::string(FieldAt(datagram, 2, 4));
}

std::string NextSequence(ZoneEntry& zone) {
  std::string bytes = Int32ToBytes(zone.SendSequence);
  zone.SendSequence =
      zone.SendSequence == INT32_MAX ? 0 : zone.SendSequence + 1;
  return bytes;
}

void SendReliableMessage(ServerCore& core, ZoneEntry& zone,
                         std::string_view message) {
  SendFramed(core, zone, {message});
}

void SendZoneBroadcast(ServerCore& core, std::string_view text) {
  // Type 03, the 32-bit value 3000, 02, 00.
  static constexpr std::string_view kHead{"\x03\xB8\x0B\x00\x00\x02\x00", 7};
  for (std::int32_t id = 1; id <= core.zones().ZoneCount(); ++id) {
    SendFramed(core, core.zones().Zone(id), {kHead, text, kNul});
  }
}

void SendPlayerMessage(ServerCore& core, std::int32_t zone_id,
                       std::int32_t player_id, std::string_view text) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const PlayerHead head(0x09, player_id);
  SendFramed(core, zone, {head.bytes(), text, kNul});
}

void SendChannelMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view sender_name, std::int32_t player_id,
                        int channel, std::string_view text) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const PlayerHead head(0x0A, player_id);
  const char channel_byte = static_cast<char>(channel);
  SendFramed(core, zone,
             {head.bytes(), {&channel_byte, 1}, sender_name, "> ", text});
}

}  // namespace tallyhall
