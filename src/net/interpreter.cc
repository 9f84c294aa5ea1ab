// The packet interpreter: connection-level packets, the message-type table
// of reliable messages from connected zones, and the records of unknown
// events.
#include "net/interpreter.h"

#include <array>
#include <cstdint>

#include "base/failure.h"
#include "base/file_io.h"
#include "commands/dispatch.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"
#include "players/chat.h"
#include "players/player_login.h"
#include "players/player_reports.h"
#include "zones/zone_login.h"

namespace tallyhall {
namespace {

using MessageHandler = void(ServerCore& core, std::int32_t zone_id,
                            std::string_view message);

// The messages a connected zone sends inside a reliable message, by their
// type byte (offset 6 of the datagram). Each handler takes the message from
// its type byte on. Types 01 to 03 (a repeated zone login) have no handler:
// the acknowledgement is their whole answer. A type that is not listed is
// an unknown user event.
struct MessageEntry {
  unsigned char type;
  MessageHandler* handler;
};

constexpr std::array<MessageEntry, 12> kMessages{{
    {.type = 0x01, .handler = nullptr},
    {.type = 0x02, .handler = nullptr},
    {.type = 0x03, .handler = nullptr},
    {.type = 0x04, .handler = &HandlePlayerLogin},
    {.type = 0x05, .handler = &HandlePlayerLogoff},
    {.type = 0x07, .handler = &HandleArenaMessage},
    {.type = 0x0E, .handler = &HandleChannelMessage},
    {.type = 0x0F, .handler = &HandlePlayerText},
    {.type = 0x10, .handler = &HandleDataBlock},
    {.type = 0x11, .handler = &HandleScoreUpdate},
    {.type = 0x13, .handler = &DispatchCommand},
    {.type = 0x14, .handler = &HandleChannelMessage},
}};

// The entry of message type `type`; null for an unknown user event.
const MessageEntry* FindMessage(unsigned char type) {
  for (const MessageEntry& entry : kMessages) {
    if (entry.type == type) return &entry;
  }
  return nullptr;
}

// Records of unknown events stop once their file would pass this size, so
// that no sender can fill the disk.
constexpr std::uint64_t kMaxEventFileSize = 1 << 20;

unsigned char ByteAt(std::string_view bytes, std::size_t offset) {
  return offset < bytes.size() ? static_cast<unsigned char>(bytes[offset]) : 0;
}

// Date and time, each padded with blanks to the next multiple of 14
// columns, then the datagram byte for byte, then CR LF.
std::string EventRecord(const LocalTime& now, std::string_view datagram) {
  auto padded = [](std::string text) {
    text.resize((text.size() + 13) / 14 * 14, ' ');
    return text;
  };
  return padded(DateStamp(now)) + padded(TimeStamp(now)) +
         std::string(datagram) + "\r\n";
}

// Appends a record of `datagram` to the file `file_prefix` + type, unless
// that would take the file past kMaxEventFileSize; the first record refused
// in a run writes one line, with the zone log prefix `zone_prefix`.
void AppendEventRecord(ServerCore& core, const std::string& zone_prefix,
                       std::string_view file_prefix, unsigned char type,
                       std::string_view datagram) {
  RunStep(core.terminal(), [&] {
    const std::string name = std::string(file_prefix) + DecimalText(type);
    const std::string path = core.FilePath(name);
    const std::string record = EventRecord(core.clock().Now(), datagram);
    const AppendResult result =
        AppendToFile(path, record, kDataFileMode, kMaxEventFileSize);
    if (result == AppendResult::kFull) {
      if (core.MarkEventFileFull(name)) {
        core.WriteLogLine(zone_prefix + ") Event record file " + name +
                          " is full (1 MiB); further events are not recorded");
      }
      return;
    }
    if (result == AppendResult::kFailed) Fail(FailureKind::kFileAccess);
  });
}

void AnswerUnknownSender(ServerCore& core, const Address& sender,
                         std::string_view datagram) {
  const bool connect_request =
      datagram.size() >= 2 &&
      datagram.starts_with(std::string_view("\0\1", 2)) &&
      datagram.ends_with(std::string_view("\1\0", 2));
  if (connect_request) {
    core.transport().SendDatagram(sender, ConnectResponseFor(datagram));
  } else if (datagram.starts_with(std::string_view("\0\3", 2))) {
    ZoneLogin(core, sender, datagram);
  } else {
    ++core.counters().dropped_unknown_sender;
    // A Disconnect is never answered: two servers (or any service that
    // answers from its port) would otherwise bounce them for ever.
    if (!datagram.starts_with(kDisconnect)) {
      core.transport().SendDatagram(sender, kDisconnect);
    }
  }
}

// The lines a datagram from a sender that is not a zone causes (a refused
// login, a failure) pass the per-address limit. A datagram that made its
// sender a zone (an accepted login) writes its lines whole: a zone's lines
// are never held back.
void InterpretFromUnknownSender(ServerCore& core, const Address& sender,
                                std::string_view datagram) {
  LineHold hold(core.terminal());
  RunStep(core.terminal(),
          [&] { AnswerUnknownSender(core, sender, datagram); });
  const std::vector<Terminal::HeldLine> lines = hold.Release();
  if (lines.empty()) return;
  const bool now_a_zone = core.zones().FindZoneByAddress(sender) != 0;
  const std::int64_t now_ms = core.clock().SteadyMilliseconds();
  for (const Terminal::HeldLine& line : lines) {
    if (now_a_zone || core.stranger_lines().Admit(sender, now_ms)) {
      core.WriteLogLine(line.text, line.priority);
    }
  }
}

void DispatchReliableMessage(ServerCore& core, std::int32_t zone_id,
                             std::string_view datagram) {
  const unsigned char type = ByteAt(datagram, 6);
  if (const MessageEntry* entry = FindMessage(type)) {
    if (entry->handler == nullptr) return;
    RunStep(core.terminal(), [&] {
      entry->handler(core, zone_id, FieldAt(datagram, 6, datagram.size()));
    });
    return;
  }
  ++core.counters().dropped_not_understood;
  const std::string prefix = core.zones().Zone(zone_id).LogPrefix();
  core.WriteLogLine(prefix + ") Unknown user event " + DecimalText(type));
  AppendEventRecord(core, prefix, "unknownuserevent.", type, datagram);
}

void InterpretFromZone(ServerCore& core, std::int32_t zone_id,
                       const Address& sender, std::string_view datagram) {
  // Connection-level packets are 00 + their kind.
  const bool framed = ByteAt(datagram, 0) == 0;
  const unsigned char kind = ByteAt(datagram, 1);
  if (framed && kind == 0x04) return;  // acknowledgements are not looked at
  if (framed && kind == 0x07) {
    ZoneLogoff(core, zone_id, sender);
    return;
  }
  core.transport().SendDatagram(sender, AcknowledgementFor(datagram));
  if (framed && kind == 0x03) {
    DispatchReliableMessage(core, zone_id, datagram);
    return;
  }
  ++core.counters().dropped_not_understood;
  const std::string prefix = core.zones().Zone(zone_id).LogPrefix();
  core.WriteLogLine(prefix + ") Unrecognized connection event " +
                    DecimalText(kind));
  AppendEventRecord(core, prefix, "unknownconnectionevent.", kind, datagram);
}

}  // namespace

void InterpretPacket(ServerCore& core, const Address& sender,
                     std::string_view datagram) {
  RunStep(core.terminal(), [&] {
    const std::int32_t zone_id = core.zones().FindZoneByAddress(sender);
    if (zone_id == 0) {
      InterpretFromUnknownSender(core, sender, datagram);
    } else {
      InterpretFromZone(core, zone_id, sender, datagram);
    }
  });
}

}  // namespace tallyhall
