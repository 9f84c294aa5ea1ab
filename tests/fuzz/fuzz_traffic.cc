// Input splitting and zone-traffic builders shared by the packet fuzzer and
// its seed writer.
#include "fuzz/fuzz_traffic.h"

#include <cerrno>

#include "db/database_files.h"
#include "db/encoding.h"
#include "fuzz/command_shapes.h"
#include "net/messages.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

// One seed input under construction.
class Seed {
 public:
  // A reliable message from zone `n` (1 or 2; 3 is the stranger).
  Seed& From(int n, std::string_view message) {
    return Raw(n, Reliable(sequence_++, message));
  }
  Seed& Raw(int n, std::string_view datagram) {
    Add(static_cast<char>(n - 1), datagram);
    return *this;
  }
  Seed& Tick(unsigned char half_minutes) {
    Add(static_cast<char>(kTickSelector),
        std::string(1, static_cast<char>(half_minutes)));
    return *this;
  }
  // Writes of `file` fail `count` times (0: the disk is free again).
  Seed& FailWrites(FaultFile file, int identifier, int error, int count) {
    AddChunk(
        FileFaultChunk(kWriteFaultSelector, file, identifier, error, count));
    return *this;
  }
  Seed& FailNextRead(FaultFile file, int identifier) {
    AddChunk(FileFaultChunk(kReadFaultSelector, file, identifier, EIO));
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  void Add(char selector, std::string_view datagram) {
    AddChunk(std::string(1, selector) + std::string(datagram));
  }
  void AddChunk(std::string_view chunk) {
    if (!bytes_.empty()) bytes_ += kChunkSeparator;
    bytes_ += chunk;
  }

  std::string bytes_;
  std::int32_t sequence_ = 100;
};

const std::string kScores = Hex("05 00 02 00 03 00 64 00 00 00 c8 00 00 00");

Seed PlayerVisit() {
  Seed s;
  s.From(1, FuzzLogin("Newcomer", 7, 777, false))
      .From(1, FuzzLogin("Newcomer", 7, 777, true))
      .From(1, CommandMessage(7, "?about"))
      .From(1, CommandMessage(7, "?chat=lobby"))
      .From(1, ChannelMessage(7, '1', "hello all"))
      .From(1, PlayerMessage(kDataBlockType, 7, std::string(96, 'd')))
      .From(1, PlayerMessage(kScoreUpdateType, 7, kScores))
      .From(1, PlayerLogoffMessage(7, 60, kScores))
      .From(1, FuzzLogin("newcomer", 8, 777, false))
      .From(1, PlayerLogoffMessage(8, 5, ""));
  return s;
}

Seed Operators() {
  Seed s;
  s.From(1, CommandMessage(1, "?listop"))
      .From(1, CommandMessage(1, "?listoppassword"))
      .From(1, CommandMessage(1, "?logoff s"))
      .From(1, CommandMessage(1, "?listoppassword"))
      .From(1, CommandMessage(3, "?login wardenfox"))
      .From(1, CommandMessage(3, "?logoff MAS"))
      .From(2, CommandMessage(2, "?find Warden"))
      .From(2, CommandMessage(2, "?find "))
      .From(2, CommandMessage(3, "?listop 2"))
      .From(2, CommandMessage(3, "?misc"))
      .From(2, CommandMessage(3, "?bhelp"))
      .From(2, CommandMessage(3, "?version"));
  return s;
}

Seed Chat() {
  Seed s;
  s.From(1, ChannelMessage(1, '2', "ops only"))
      .From(2, ChannelMessage(2, '1', "lobby line"))
      .From(1, ArenaMessage(1, "arena text"))
      .From(2, PlayerMessage(kPlayerTextType, 3, "player text"))
      .From(2, CommandMessage(3, "?chat a,b,c,d,e,f,g,h,i,j"))
      .From(2, CommandMessage(3, "?chat"))
      .From(1, PlayerMessage('\x14', 2, std::string(32, '1') + "both types"));
  return s;
}

Seed ZoneCycle() {
  Seed s;
  ZoneLoginFields third;
  third.name = "Zone Three";
  third.server_id = third.group_id = third.score_id = 3;
  ZoneLoginFields wrong = third;
  wrong.password = "not it";
  s.Raw(2, kDisconnect)
      .Raw(3, Hex("00 01 11 22 33 44 01 00"))
      .From(3, ZoneLoginMessage(wrong))
      .From(3, ZoneLoginMessage(third))
      .From(3, FuzzLogin("Traveller", 4, 99, true))
      .From(3, CommandMessage(4, "?chat=lobby"))
      .From(3, ChannelMessage(4, '1', "from the third zone"))
      .From(2, ZoneLoginMessage(FuzzZone(2)))
      .From(2, FuzzLogin("Warden", 1, 2001, true))
      .Raw(3, kDisconnect)
      .Raw(1, kDisconnect);
  return s;
}

Seed UnknownEvents() {
  Seed s;
  s.Raw(1, Hex("00 0e 01 02 03 04 05"))
      .From(1, std::string("\x30 event", 7))
      .Raw(2, Hex("00 04 00 00 00 00"))
      .Raw(2, Hex("00"))
      .Raw(1, Hex("00 03 01"))
      .Raw(3, Hex("00 05 09"))
      .From(2, Hex("13 01"))
      .From(2, Hex("04 01 0a"))
      .From(1, Hex("01 02 03"));
  return s;
}

Seed Ticks() {
  Seed s;
  s.From(1, FuzzLogin("Early", 5, 55, true))
      .Tick(0)
      .From(2, FuzzLogin("Late", 6, 66, true))
      .Tick(1)
      .Tick(120)
      .From(2, PlayerLogoffMessage(6, 30, kScores))
      .Tick(200);
  return s;
}

// Every command shape, typed by the SysOp of zone one.
Seed AllCommands() {
  Seed s;
  for (const std::string& text : CommandShapes()) {
    s.From(1, CommandMessage(1, text));
  }
  return s;
}

// A new player's squad is saved while the User file cannot be: the Squad
// file must not name an owner that the User file lacks. Then zone two
// leaves while its files cannot be written and comes back after the disk
// is free again.
Seed SaveFaults() {
  Seed s;
  s.From(1, FuzzLogin("Newcomer", 7, 777, true))
      .From(1, CommandMessage(7, "?squadcreate Secret:s3cret"))
      .From(1, CommandMessage(1, "?scoreadd 10.9.8.7:4242:Added"))
      .FailWrites(FaultFile::kUser, 1, ENOSPC, 1)
      .From(1, CommandMessage(1, "?save"))
      .From(2, PlayerLogoffMessage(2, 40, kScores))
      .From(2, CommandMessage(1, "?squaddissolve 1"))
      .FailWrites(FaultFile::kScore, 0, EIO, 3)
      .Raw(2, kDisconnect)
      .Tick(0)
      .FailWrites(FaultFile::kUser, 0, ENOSPC, 0)
      .Tick(0)
      .From(2, ZoneLoginMessage(FuzzZone(2)))
      .From(2, FuzzLogin("Keeper", 2, FuzzMac(2, 2), true))
      .From(2, CommandMessage(2, "?scoreown"));
  return s;
}

// Record administration while the settings file and the Squad file fail.
Seed AdminFaults() {
  Seed s;
  s.FailWrites(FaultFile::kSettings, 0, EIO, 2)
      .From(1, CommandMessage(1, "?bset Misc:Greeting:Hello"))
      .From(1, CommandMessage(1, "?scoreedit 40 1 2 3 4 5"))
      .From(1, CommandMessage(1, "?scoredelete 8"))
      .From(1, CommandMessage(1, "?squadowner 3:299"))
      .From(1, CommandMessage(1, "?squadpassword 3:newpw"))
      .FailWrites(FaultFile::kSquad, 2, ENOSPC, 1)
      .From(1, CommandMessage(1, "?save"))
      .From(1, CommandMessage(1, "?save"));
  return s;
}

// Files that cannot be read when a zone logs in.
Seed ReadFaults() {
  Seed s;
  s.Raw(2, kDisconnect)
      .FailNextRead(FaultFile::kScore, 1)
      .From(2, ZoneLoginMessage(FuzzZone(2)))
      .From(2, ZoneLoginMessage(FuzzZone(2)))
      .FailNextRead(FaultFile::kSettings, 0)
      .From(1, CommandMessage(1, "?bget Misc:AutoSave"))
      .Tick(0);
  return s;
}

Seed Logoffs() {
  Seed s;
  for (int n = 1; n <= 2; ++n) {
    for (std::int32_t id = 1; id <= 3; ++id) {
      s.From(n, PlayerLogoffMessage(id, static_cast<std::int16_t>(10 * id),
                                    kScores));
    }
  }
  s.From(1, FuzzLogin("Warden", 9, 1001, false))
      .From(1, CommandMessage(9, "?listop"));
  return s;
}

}  // namespace

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

FileFault ReadFileFault(std::string_view payload) {
  auto byte = [&](std::size_t k) -> int {
    return k < payload.size() ? static_cast<unsigned char>(payload[k]) : 0;
  };
  static constexpr const char* kKinds[] = {"User.", "Squad.", "Score.",
                                           "Tallyhall.ini"};
  const int kind = byte(0) % 4;
  const int identifier = byte(0) / 4 % 4;
  FileFault fault;
  fault.name = kKinds[kind];
  if (kind != 3 && identifier != 0) fault.name += std::to_string(identifier);
  fault.error = byte(1) % 2 == 0 ? ENOSPC : EIO;
  fault.count = payload.size() > 2 ? byte(2) : 1;
  return fault;
}

std::string FileFaultChunk(unsigned char selector, FaultFile file,
                           int identifier, int error, int count) {
  std::string chunk(1, static_cast<char>(selector));
  chunk += static_cast<char>(static_cast<int>(file) + 4 * (identifier % 4));
  chunk += static_cast<char>(error == EIO ? 1 : 0);
  chunk += static_cast<char>(count);
  return chunk;
}

bool FaultNames(const FileFault& fault, std::string_view file_name) {
  if (fault.name.ends_with('.')) {
    return file_name.starts_with(fault.name) &&
           file_name.size() > fault.name.size();
  }
  return file_name == fault.name;
}

ZoneLoginFields FuzzZone(int n) {
  ZoneLoginFields fields;
  fields.name = n == 1 ? "Zone One" : "Zone Two";
  fields.server_id = n;
  fields.group_id = n % 3 + 1;
  fields.score_id = (n + 1) % 3 + 1;
  fields.game_port = static_cast<std::int16_t>(5000 + n);
  return fields;
}

DatabaseIds FuzzZoneIds(int n) {
  const ZoneLoginFields fields = FuzzZone(n);
  return {fields.server_id, fields.group_id, fields.score_id};
}

std::int32_t FuzzMac(int n, std::int32_t id) { return 1000 * n + id; }

StartingFiles FuzzDatabases(int n) {
  UserDatabase users;
  SquadDatabase squads;
  ScoreDatabase scores;
  const LocalTime created{.year = 2026, .month = 11, .day = 1};
  for (std::int32_t id = 1; id <= kFuzzUsers; ++id) {
    // The set-up players first; then names sharing their MacIDs (aliases),
    // then names in fours on machines of their own. Every seventh comes
    // from the set-up players' address.
    const std::string name =
        id <= 3 ? kFuzzPlayers[id - 1] : "Player " + std::to_string(id);
    const std::int32_t mac =
        id <= 30 ? FuzzMac(n, (id - 1) % 3 + 1) : 5000 + id / 4;
    const std::string ip = id % 7 == 0
                               ? IpFromText("10.1.2.3")
                               : IpFromText("10.2." + std::to_string(n) + "." +
                                            std::to_string(id % 200));
    users.AddUser(scores, name, ip, Int32ToBytes(mac), created);
    users.SetUserField(id, UserField::kSquadID,
                       Int32ToBytes(id % (kFuzzSquads + 1)));
    scores.PutScoreRecord(
        id, Int16ToBytes(static_cast<std::int16_t>(id % 97)) +
                Int16ToBytes(static_cast<std::int16_t>(id % 89)) +
                Int16ToBytes(static_cast<std::int16_t>(id % 83)) +
                Int32ToBytes(37 * id) + Int32ToBytes(11 * id % 1000));
  }
  for (std::int32_t id = 1; id <= kFuzzSquads; ++id) {
    // The set-up players own the squads they are in; every fifth squad has
    // no owner, every other one a password.
    const std::int32_t owner = id <= 3       ? id
                               : id % 5 == 0 ? 0
                                             : 7 * id % kFuzzUsers + 1;
    squads.AppendSquad("Squad " + std::to_string(id),
                       id % 2 == 0 ? "pw" + std::to_string(id) : "", owner);
  }
  return {users.bytes(), squads.bytes(), scores.bytes()};
}

std::string Reliable(std::int32_t sequence, std::string_view message) {
  return std::string("\x00\x03", 2) + Int32ToBytes(sequence) +
         std::string(message);
}

std::string FuzzLogin(std::string_view name, std::int32_t player_id,
                      std::int32_t mac, bool confirmed) {
  return PlayerLoginMessage(name, player_id, std::string("\x0a\x01\x02\x03", 4),
                            mac, confirmed);
}

std::vector<std::string> SetupCommands(std::int32_t player_id) {
  if (player_id != 1) return {};
  return {"?login heraldicfern treasuryquail wardenfox", "?chat=lobby,ops"};
}

std::vector<std::pair<std::string, std::string>> SeedInputs() {
  return {{"player_visit", PlayerVisit().bytes()},
          {"operators", Operators().bytes()},
          {"chat", Chat().bytes()},
          {"zone_cycle", ZoneCycle().bytes()},
          {"unknown_events", UnknownEvents().bytes()},
          {"ticks", Ticks().bytes()},
          {"logoffs", Logoffs().bytes()},
          {"all_commands", AllCommands().bytes()},
          {"save_faults", SaveFaults().bytes()},
          {"admin_faults", AdminFaults().bytes()},
          {"read_faults", ReadFaults().bytes()}};
}

}  // namespace tallyhall
