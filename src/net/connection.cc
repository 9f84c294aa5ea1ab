// The packet interpreter and the send operations of the connection protocol.
#include "net/connection.h"

#include <sys/stat.h>
#include <unistd.h>

#include "commands/dispatch.h"
#include "db/encoding.h"
#include "players/chat.h"
#include "players/player_login.h"
#include "players/player_reports.h"
#include "base/failure.h"
#include "base/file_io.h"
#include "shell/server_core.h"
#include "zones/zone_login.h"

namespace tallyhall {
namespace {

using MessageHandler = void(ServerCore& core, std::int32_t zone_id,
                            std::string_view message);

// The message types a connected zone sends inside a reliable message.
// Types 01 to 03 (a repeated zone login) get the acknowledgement only.
MessageHandler* HandlerFor(unsigned char type) {
  switch (type) {
    case 0x04:
      return &HandlePlayerLogin;
    case 0x05:
      return &HandlePlayerLogoff;
    case 0x07:
      return &HandleArenaMessage;
    case 0x0E:
    case 0x14:
      return &HandleChannelMessage;
    case 0x0F:
      return &HandlePlayerText;
    case 0x10:
      return &HandleDataBlock;
    case 0x11:
      return &HandleScoreUpdate;
    case 0x13:
      return &DispatchCommand;
    default:
      return nullptr;
  }
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
    int fd = OpenForAppend(path, kDataFileMode);
    if (fd < 0) Fail(FailureKind::kFileAccess);
    struct stat info;
    const bool sized = ::fstat(fd, &info) == 0;
    const bool full =
        sized && static_cast<std::uint64_t>(info.st_size) + record.size() >
                     kMaxEventFileSize;
    const bool written = sized && !full &&
                         ::write(fd, record.data(), record.size()) ==
                             static_cast<ssize_t>(record.size());
    ::close(fd);
    if (full) {
      if (core.MarkEventFileFull(name)) {
        core.WriteLogLine(zone_prefix + ") Event record file " + name +
                          " is full (1 MiB); further events are not recorded");
      }
      return;
    }
    if (!written) Fail(FailureKind::kFileAccess);
  });
}

void InterpretFromUnknownSender(ServerCore& core, const Address& sender,
                                std::string_view datagram) {
  const bool connect_request =
      datagram.size() >= 2 &&
      datagram.starts_with(std::string_view("\0\1", 2)) &&
      datagram.ends_with(std::string_view("\1\0", 2));
  if (connect_request) {
    core.transport().SendDatagram(
        sender,
        std::string("\x00\x02", 2) + std::string(FieldAt(datagram, 2, 4)));
  } else if (datagram.starts_with(std::string_view("\0\3", 2))) {
    ZoneLogin(core, sender, datagram);
  } else if (!datagram.starts_with(kDisconnect)) {
    // A Disconnect is never answered: two servers (or any service that
    // answers from its port) would otherwise bounce them for ever.
    core.transport().SendDatagram(sender, kDisconnect);
  }
}

void DispatchReliableMessage(ServerCore& core, std::int32_t zone_id,
                             std::string_view datagram) {
  const unsigned char type = ByteAt(datagram, 6);
  if (type >= 0x01 && type <= 0x03) return;
  MessageHandler* handler = HandlerFor(type);
  if (handler != nullptr) {
    RunStep(core.terminal(), [&] {
      handler(core, zone_id, FieldAt(datagram, 6, datagram.size()));
    });
    return;
  }
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
  const std::string prefix = core.zones().Zone(zone_id).LogPrefix();
  core.WriteLogLine(prefix + ") Unrecognized connection event " +
                    DecimalText(kind));
  AppendEventRecord(core, prefix, "unknownconnectionevent.", kind, datagram);
}

}  // namespace

std::string AcknowledgementFor(std::string_view datagram) {
  return std::string("\x00\x04", 2) + std::string(FieldAt(datagram, 2, 4));
}

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
