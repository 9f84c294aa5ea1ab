// Input splitting and zone-traffic builders shared by the packet fuzzer and
// its seed writer.
#include "fuzz/fuzz_traffic.h"

#include "db/encoding.h"

namespace tallyhall {

Address SenderAddress(unsigned char selector) {
  const int n = selector % kSenderCount;
  Address address;
  address.ip = {127, 0, 0, static_cast<std::uint8_t>(n == 2 ? 2 : 1)};
  address.port = static_cast<std::uint16_t>(41001 + n);
  return address;
}

std::vector<std::string_view> SplitChunks(std::string_view input) {
  std::vector<std::string_view> chunks;
  while (!input.empty()) {
    const std::size_t end = input.find(kChunkSeparator);
    const std::string_view chunk = input.substr(0, end);
    if (!chunk.empty()) chunks.push_back(chunk);
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + kChunkSeparator.size());
  }
  return chunks;
}

ZoneLoginFields FuzzZone(int n) {
  ZoneLoginFields fields;
  fields.name = n == 1 ? "Zone One" : "Zone Two";
  fields.server_id = fields.group_id = fields.score_id = n;
  fields.game_port = static_cast<std::int16_t>(5000 + n);
  return fields;
}

std::string Reliable(std::int32_t sequence, std::string_view message) {
  return std::string("\x00\x03", 2) + Int32ToBytes(sequence) +
         std::string(message);
}

std::string PlayerLogin(std::string_view name, std::int32_t player_id,
                        std::int32_t mac, bool confirmed) {
  std::string message("\x04", 1);
  message.push_back(confirmed ? '\x01' : '\x00');
  message += std::string("\x0a\x01\x02\x03", 4);
  message += PadField(name, 24);
  message += std::string(40, '\0');
  message += Int32ToBytes(player_id);
  message += Int32ToBytes(mac);
  return message;
}

std::string PlayerMessage(char type, std::int32_t player_id,
                          std::string_view rest) {
  return std::string(1, type) + Int32ToBytes(player_id) + std::string(rest);
}

std::string Command(std::int32_t player_id, std::string_view text) {
  return PlayerMessage('\x13', player_id, std::string(text) + '\0');
}

std::string PlayerLogoff(std::int32_t player_id, std::int16_t usage,
                         std::string_view scores) {
  return PlayerMessage(
      '\x05', player_id,
      std::string(8, '\0') + Int16ToBytes(usage) + PadField(scores, 14));
}

std::string ChannelLine(std::int32_t player_id, char digit,
                        std::string_view text) {
  return PlayerMessage('\x0e', player_id,
                       PadField(std::string(1, digit), 32) + std::string(text));
}

std::vector<std::string> SetupCommands(std::int32_t player_id) {
  if (player_id == 1) {
    return {"?login heraldicfern treasuryquail wardenfox", "?chat=lobby,ops"};
  }
  return {"?chat=lobby"};
}

}  // namespace tallyhall
