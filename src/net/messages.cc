// The framing of reliable messages and the send operations to zones.
#include "net/messages.h"

#include "db/encoding.h"
#include "shell/server_core.h"
#include "zones/zone_table.h"

namespace tallyhall {

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
  std::string datagram("\x00\x03", 2);
  datagram += NextSequence(zone);
  datagram += message;
  core.transport().SendDatagram(zone.address, datagram);
}

void SendZoneBroadcast(ServerCore& core, std::string_view text) {
  std::string message("\x03\xB8\x0B\x00\x00\x02\x00", 7);
  message += text;
  message.push_back('\0');
  for (std::int32_t id = 1; id <= core.zones().ZoneCount(); ++id) {
    SendReliableMessage(core, core.zones().Zone(id), message);
  }
}

void SendPlayerMessage(ServerCore& core, std::int32_t zone_id,
                       std::int32_t player_id, std::string_view text) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  std::string message("\x09", 1);
  message += Int32ToBytes(player_id);
  message += text;
  message.push_back('\0');
  SendReliableMessage(core, zone, message);
}

void SendChannelMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view sender_name, std::int32_t player_id,
                        int channel, std::string_view text) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  std::string message("\x0A", 1);
  message += Int32ToBytes(player_id);
  message.push_back(static_cast<char>(channel));
  message += sender_name;
  message += "> ";
  message += text;
  SendReliableMessage(core, zone, message);
}

}  // namespace tallyhall
