// Building the messages a zone sends for its players, and describing the
// messages the biller sends back as one readable line each.
#include "zone_client/zone_messages.h"

#include "base/terminal.h"
#include "db/encoding.h"
#include "db/score_db.h"

namespace tallyhall {

namespace {

// Login reply (01): result byte at 1, PlayerID at 2; an accepted reply is 192
// bytes with the name at 6, the squad name at 30, the UserID at 170 and the
// score record at 178.
constexpr std::size_t kAcceptedReplySize = 192;

std::string Quoted(std::string_view text) {
  return "\"" + EscapeControlBytes(TrimAtNul(text)) + "\"";
}

std::string DescribeLoginReply(std::string_view message) {
  const std::string player =
      "PlayerID " + DecimalText(BytesToInt32(FieldAt(message, 2, 4)));
  const char result = message.size() > 1 ? message[1] : '\xff';
  if (result == '\x01') {
    return "Login: " + player + " is new; the biller asks to confirm";
  }
  if (result == '\x02') return "Login refused: " + player;
  if (result != '\x00' || message.size() != kAcceptedReplySize) {
    return "Login reply: " + HexText(message);
  }
  const ScoreFields s = ScoreFieldsOf(message.substr(178, 14));
  return "Login accepted: " + player + " name " +
         Quoted(message.substr(6, 24)) + " UserID " +
         DecimalText(BytesToInt32(message.substr(170, 4))) + " squad " +
         Quoted(message.substr(30, 24)) + " wins " + DecimalText(s.win) +
         " losses " + DecimalText(s.loss) + " ratio " + DecimalText(s.ratio) +
         " kill points " + DecimalText(s.kill_points) + " flag points " +
         DecimalText(s.flag_points);
}

// Text messages end with a NUL, which is not part of the text.
std::string TextFrom(std::string_view message, std::size_t offset) {
  return EscapeControlBytes(TrimAtNul(FieldAt(message, offset)));
}

}  // namespace

std::string PlayerMessage(char type, std::int32_t player_id,
                          std::string_view rest) {
  return std::string(1, type) + Int32ToBytes(player_id) + std::string(rest);
}

std::string PlayerLoginMessage(std::string_view name, std::int32_t player_id,
                               std::string_view ip, std::int32_t mac,
                               bool confirmed) {
  std::string message(1, kPlayerLoginType);
  message.push_back(confirmed ? '\x01' : '\x00');
  message += PadField(ip, 4);
  message += PadField(name, 24);
  message += std::string(40, '\0');
  message += Int32ToBytes(player_id);
  message += Int32ToBytes(mac);
  return message;
}

std::string PlayerLogoffMessage(std::int32_t player_id, std::int16_t usage,
                                std::string_view score_block) {
  return PlayerMessage(
      kPlayerLogoffType, player_id,
      std::string(8, '\0') + Int16ToBytes(usage) + std::string(score_block));
}

std::string ArenaMessage(std::int32_t player_id, std::string_view text) {
  // Six unread bytes stand between the PlayerID and the text.
  return PlayerMessage(kArenaMessageType, player_id,
                       std::string(6, '\0') + std::string(text));
}

std::string ChannelMessage(std::int32_t player_id, char digit,
                           std::string_view text) {
  return PlayerMessage(kChatChannelType, player_id,
                       PadField(std::string(1, digit), 32) + std::string(text));
}

std::string CommandMessage(std::int32_t player_id, std::string_view text) {
  return PlayerMessage(kUserCommandType, player_id,
                       std::string(text) + std::string(1, '\0'));
}

std::string MessageForTypedLine(std::int32_t player_id, std::string_view line) {
  if (line.starts_with('?')) return CommandMessage(player_id, line);
  if (line.starts_with("**")) return ArenaMessage(player_id, line.substr(2));
  if (line.starts_with(';')) {
    line.remove_prefix(1);
    char channel = '1';
    if (line.size() >= 2 && line[0] >= '1' && line[0] <= '9' &&
        line[1] == ';') {
      channel = line[0];
      line.remove_prefix(2);
    }
    return ChannelMessage(player_id, channel, line);
  }
  return PlayerMessage(kPlayerTextType, player_id,
                       std::string(line) + std::string(1, '\0'));
}

std::string DescribeServerMessage(std::string_view message) {
  if (message.empty()) return "Empty message";
  switch (message[0]) {
    case '\x09':  // PlayerID, text, NUL
      return TextFrom(message, 5);
    case '\x01':
      return DescribeLoginReply(message);
    case '\x0a':  // PlayerID, channel number, "name> text"
      if (message.size() < 6) break;
      return "Chat channel " +
             DecimalText(
                 static_cast<unsigned char>(FieldAt(message, 5, 1)[0])) +
             ": " + EscapeControlBytes(FieldAt(message, 6));
    case '\x03':  // 3000 as 4 bytes, 02, 00, text, NUL
      return "Zone broadcast: " + TextFrom(message, 7);
    default:
      break;
  }
  return "Message " + HexText(message.substr(0, 1)) + ": " +
         HexText(message.substr(1));
}

}  // namespace tallyhall
