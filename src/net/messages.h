// Framing of the connection protocol and the operations that send to zones:
// reliable messages with each zone's sequence numbers, acknowledgements, and
// the three texts that reach players (player message, channel line, zone
// broadcast). Zones, players and commands send only through these.
//
// Connection-level packets are told apart by their first two bytes:
// 00 01 ... 01 00 connect request, 00 02 + 4 bytes connect response,
// 00 03 + 4-byte sequence + message: reliable message, 00 04 + 4 bytes
// acknowledgement, 00 07 disconnect.
#ifndef TALLYHALL_NET_MESSAGES_H_
#define TALLYHALL_NET_MESSAGES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyhall {

class ServerCore;
struct ZoneEntry;

inline constexpr std::string_view kDisconnect{"\x00\x07", 2};

// The acknowledgement of a received reliable message: 00 04 + its bytes at
// offsets 2 to 5.
std::string AcknowledgementFor(std::string_view datagram);

// The answer to a connect request: 00 02 + its bytes at offsets 2 to 5.
std::string ConnectResponseFor(std::string_view datagram);

// The zone's SendSequence as 4 little-endian bytes; then advances it
// (2147483647 is followed by 0).
std::string NextSequence(ZoneEntry& zone);

// Sends 00 03 + NextSequence + `message` to the zone.
void SendReliableMessage(ServerCore& core, ZoneEntry& zone,
                         std::string_view message);

// Message 03 B8 0B 00 00 02 00 + text + 00 to every zone, in ZoneID order.
void SendZoneBroadcast(ServerCore& core, std::string_view text);

// Message 09 + PlayerID + text + 00 to zone `zone_id`. A ZoneID outside
// the table fails with "Subscript out of range".
void SendPlayerMessage(ServerCore& core, std::int32_t zone_id,
                       std::int32_t player_id, std::string_view text);

// Message 0A + PlayerID + channel byte + sender name + "> " + text (no
// closing NUL) to zone `zone_id`.
void SendChannelMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view sender_name, std::int32_t player_id,
                        int channel, std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_NET_MESSAGES_H_
