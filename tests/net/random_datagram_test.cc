// Random datagrams, framed and unframed, from known and unknown senders:
// the interpreter must neither crash nor read outside its input (run under
// the sanitizers in CI), and the zone table must stay consistent.
#include <gtest/gtest.h>

#include <random>

#include "db/encoding.h"
#include "shell/server_events.h"
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

  // Random bytes that are not a Disconnect, so that the zones stay
  // connected throughout.
  static std::string NoDisconnect(std::string bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == 7) bytes[1] = 8;
    return bytes;
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
        Receive(ZoneAddress(from),
                NoDisconnect(RandomBytes(1 + random_() % 40)));
        break;
      case 1:
        Receive(ZoneAddress(from), std::string("\x00", 1) + ConnectionKind() +
                                       RandomBytes(random_() % 20));
        break;
      default:
        ReceiveReliable(ZoneAddress(std::min(from, 2)), RandomMessage(),
                        static_cast<std::int32_t>(i));
        break;
    }
    if (i % 1000 == 0) {
      OnGreetingTimer(core_);
      OnSaveTick(core_);
    }
    transport_.sent.clear();
  }
  ASSERT_EQ(core_.zones().ZoneCount(), 2);
  EXPECT_EQ(core_.zones().FindZoneByAddress(ZoneAddress(1)), 1);
  EXPECT_EQ(core_.zones().FindZoneByAddress(ZoneAddress(2)), 2);
  EXPECT_EQ(Zone(1).ServerName, "One");
  EXPECT_EQ(Zone(2).ServerName, "Two");
  for (std::int32_t id = 1; id <= 2; ++id) {
    SCOPED_TRACE(id);
    const ZoneDatabases& dbs = Zone(id).databases;
    ASSERT_EQ(dbs.users.bytes().size(),
              static_cast<std::size_t>(dbs.users.UserCount()) * 156);
    ASSERT_EQ(dbs.scores.bytes().size(),
              static_cast<std::size_t>(dbs.scores.ScoreCount()) * 14);
    EXPECT_EQ(dbs.squads.bytes().size(),
              static_cast<std::size_t>(dbs.squads.SquadCount()) * 52);
    EXPECT_GT(dbs.users.UserCount(), 4);  // new players were added
    // Every record is found again through the index, and names a score
    // record of its own zone.
    for (std::int32_t user = 1; user <= dbs.users.UserCount(); ++user) {
      const std::int32_t found = dbs.users.FindUser(
          TrimAtNul(dbs.users.GetUserField(user, UserField::kName)),
          dbs.users.GetUserField(user, UserField::kMacID));
      EXPECT_TRUE(found >= 1 && found <= user) << user;
      const std::int32_t score =
          BytesToInt32(dbs.users.GetUserField(user, UserField::kScoreID));
      EXPECT_TRUE(score >= 1 && score <= dbs.scores.ScoreCount()) << user;
    }
  }
  const std::string last_users = Zone(2).databases.users.bytes();
  Shutdown(core_);
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
  // Both zones use User.1; the one removed last wrote it.
  EXPECT_EQ(ReadFile(folder_.File("User.1")), last_users);
}

}  // namespace
}  // namespace tallyhall
