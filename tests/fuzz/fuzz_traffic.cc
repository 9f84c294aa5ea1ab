// Input splitting and zone-traffic builders shared by the packet fuzzer and
// its seed writer.
#include "fuzz/fuzz_traffic.h"

#include "db/encoding.h"
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
  const std::string& bytes() const { return bytes_; }

 private:
  void Add(char selector, std::string_view datagram) {
    if (!bytes_.empty()) bytes_ += kChunkSeparator;
    bytes_ += selector;
    bytes_ += datagram;
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

// Every command word of the table, typed by the SysOp of zone one; the
// zone commands last, as they may end the zones.
Seed AllCommands() {
  static constexpr const char* kTexts[] = {"?squadcreate Hawks:hawkpw",
                                           "?squadjoin Alpha:alphapw",
                                           "?squadmembers Alpha",
                                           "?squadid",
                                           "?scoreid",
                                           "?squaddatabase 1",
                                           "?squadowner Alpha",
                                           "?squadown",
                                           "?squadname Hawks",
                                           "?squadgrant Keeper",
                                           "?squadpassword newpw",
                                           "?squadkick Keeper",
                                           "?squadleave",
                                           "?squaddissolve Hawks:hawkpw",
                                           "?top",
                                           "?top 2",
                                           "?scoreown",
                                           "?scoreswap Keeper",
                                           "?scoreadd Plain:1:2:3:4:5",
                                           "?scoreedit 1:9:9:9:9:9",
                                           "?scoredelete 3",
                                           "?scoreall",
                                           "?scorefind Warden",
                                           "?find Plain",
                                           "?bset Misc:Greeting=Hello",
                                           "?bget Misc:AutoSave",
                                           "?autosave 00:30:00",
                                           "?greeting Welcome",
                                           "?save",
                                           "?username 2:Renamed",
                                           "?infodump 1",
                                           "?infopage 1",
                                           "?info Warden",
                                           "?aliasx2",
                                           "?aliaspage 1",
                                           "?alias Warden",
                                           "?listop",
                                           "?zonelist",
                                           "?zoneplayers 1",
                                           "?zonerecycle 2",
                                           "?zonereset 2",
                                           "?zoneclose 2"};
  Seed s;
  for (const char* text : kTexts) s.From(1, CommandMessage(1, text));
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
          {"all_commands", AllCommands().bytes()}};
}

}  // namespace tallyhall
