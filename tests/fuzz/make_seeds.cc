// Writes the packet fuzzer's seed inputs (tests/fuzz/corpus) from zone
// traffic as the end-to-end tests send it: zone logins and logoffs, player
// logins, commands, chat, reports and timer events.
// Usage: make_seeds <folder>
#include <cstdio>
#include <string>
#include <vector>

#include "db/encoding.h"
#include "fuzz/fuzz_traffic.h"
#include "net/connection.h"
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
  s.From(1, PlayerLogin("Newcomer", 7, 777, false))
      .From(1, PlayerLogin("Newcomer", 7, 777, true))
      .From(1, Command(7, "?about"))
      .From(1, Command(7, "?chat=lobby"))
      .From(1, ChannelLine(7, '1', "hello all"))
      .From(1, PlayerMessage('\x10', 7, std::string(96, 'd')))
      .From(1, PlayerMessage('\x11', 7, kScores))
      .From(1, PlayerLogoff(7, 60, kScores))
      .From(1, PlayerLogin("newcomer", 8, 777, false))
      .From(1, PlayerLogoff(8, 5, ""));
  return s;
}

Seed Operators() {
  Seed s;
  s.From(1, Command(1, "?listop"))
      .From(1, Command(1, "?listoppassword"))
      .From(1, Command(1, "?logoff s"))
      .From(1, Command(1, "?listoppassword"))
      .From(1, Command(3, "?login wardenfox"))
      .From(1, Command(3, "?logoff MAS"))
      .From(2, Command(2, "?find Warden"))
      .From(2, Command(2, "?find "))
      .From(2, Command(3, "?listop 2"))
      .From(2, Command(3, "?misc"))
      .From(2, Command(3, "?bhelp"))
      .From(2, Command(3, "?version"));
  return s;
}

Seed Chat() {
  Seed s;
  s.From(1, ChannelLine(1, '2', "ops only"))
      .From(2, ChannelLine(2, '1', "lobby line"))
      .From(1, PlayerMessage('\x07', 1, std::string(6, '\0') + "arena text"))
      .From(2, PlayerMessage('\x0f', 3, "player text"))
      .From(2, Command(3, "?chat a,b,c,d,e,f,g,h,i,j"))
      .From(2, Command(3, "?chat"))
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
      .From(3, PlayerLogin("Traveller", 4, 99, true))
      .From(3, Command(4, "?chat=lobby"))
      .From(3, ChannelLine(4, '1', "from the third zone"))
      .From(2, ZoneLoginMessage(FuzzZone(2)))
      .From(2, PlayerLogin("Warden", 1, 2001, true))
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
  s.From(1, PlayerLogin("Early", 5, 55, true))
      .Tick(0)
      .From(2, PlayerLogin("Late", 6, 66, true))
      .Tick(1)
      .Tick(120)
      .From(2, PlayerLogoff(6, 30, kScores))
      .Tick(200);
  return s;
}

Seed Logoffs() {
  Seed s;
  for (int n = 1; n <= 2; ++n) {
    for (std::int32_t id = 1; id <= 3; ++id) {
      s.From(n, PlayerLogoff(id, static_cast<std::int16_t>(10 * id), kScores));
    }
  }
  s.From(1, PlayerLogin("Warden", 9, 1001, false))
      .From(1, Command(9, "?listop"));
  return s;
}

}  // namespace
}  // namespace tallyhall

int main(int argc, char** argv) {
  using namespace tallyhall;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <folder>\n");
    return 2;
  }
  const std::pair<const char*, Seed> seeds[] = {
      {"player_visit", PlayerVisit()},
      {"operators", Operators()},
      {"chat", Chat()},
      {"zone_cycle", ZoneCycle()},
      {"unknown_events", UnknownEvents()},
      {"ticks", Ticks()},
      {"logoffs", Logoffs()}};
  for (const auto& [name, seed] : seeds) {
    WriteFile(std::string(argv[1]) + "/" + name, seed.bytes());
  }
  return 0;
}
