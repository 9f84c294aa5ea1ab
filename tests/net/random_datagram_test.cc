// Random datagrams, framed and unframed, from known and unknown senders:
// the interpreter must neither crash nor read outside its input (run under
// the sanitizers in CI), and the zone table must stay consistent.
#include <gtest/gtest.h>

#include <random>

#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

class RandomDatagramTest : public CoreTest {
 protected:
  std::string RandomBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random_() & 0xff);
    return bytes;
  }

  // A reliable message of a type the server handles, with a PlayerID that
  // often names a present player, and a random body of random length.
  std::string RandomMessage() {
    static constexpr unsigned char kTypes[] = {
        0x01, 0x04, 0x05, 0x07, 0x0e, 0x0f, 0x10, 0x11, 0x13, 0x14, 0x30};
    std::string message(1, static_cast<char>(kTypes[random_() % 11]));
    message += Int32ToBytes(static_cast<std::int32_t>(random_() % 4));
    if (message[0] == 0x13) {
      static constexpr const char* kWords[] = {
          "?chat",   "?chat=a,b", "?find ",   "?login wardenfox", "?logoff s",
          "?listop", "?bhelp",    "?version", "?listoppassword",  "?about"};
      message += kWords[random_() % 10];
    }
    message += RandomBytes(random_() % 200);
    return message.substr(0, random_() % (message.size() + 1));
  }

  // A connection-level packet type other than Disconnect, so that the zones
  // stay connected throughout.
  char ConnectionKind() {
    const char kind = static_cast<char>(random_() % 9);
    return kind == 7 ? 8 : kind;
  }

  std::mt19937 random_{20261207};
};

TEST_F(RandomDatagramTest, InterpreterSurvivesRandomTraffic) {
  LoginZone(1, "One");
  LoginZone(2, "Two");
  for (int n = 1; n <= 2; ++n) {
    for (std::int32_t id = 0; id < 4; ++id) {
      LoginPlayer(n, "P" + std::to_string(id), id);
    }
  }
  for (int i = 0; i < 20000; ++i) {
    const int from = 1 + static_cast<int>(random_() % 3);
    switch (random_() % 4) {
      case 0:
        Receive(ZoneAddress(from), RandomBytes(1 + random_() % 40));
        break;
      case 1:
        Receive(ZoneAddress(from), std::string("\x00", 1) +
                                       static_cast<char>(random_() % 9) +
                                       RandomBytes(random_() % 20));
        break;
      default:
        ReceiveReliable(ZoneAddress(std::min(from, 2)), RandomMessage(),
                        static_cast<std::int32_t>(i));
        break;
    }
    if (i % 1000 == 0) {
      core_.OnGreetingTimer();
      core_.OnSaveTick();
    }
    transport_.sent.clear();
  }
  for (std::int32_t id = 1; id <= core_.zones().ZoneCount(); ++id) {
    const ZoneEntry& zone = core_.zones().Zone(id);
    EXPECT_EQ(zone.databases.users.bytes().size(),
              static_cast<std::size_t>(zone.databases.users.UserCount()) * 156);
    EXPECT_EQ(
        zone.databases.scores.bytes().size(),
        static_cast<std::size_t>(zone.databases.scores.ScoreCount()) * 14);
  }
  core_.Shutdown();
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
}

}  // namespace
}  // namespace tallyhall
