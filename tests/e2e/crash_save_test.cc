// The server killed (SIGKILL) while it saves a zone with databases of
// several MB, at random moments from the zone's own Disconnect and right
// after one of the files was renamed: every file is afterwards either the
// one before the save or the one the save writes, never a torn one, no User
// file is newer than its Score and Squad files, and no user record names a
// score record past the end of the Score file.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "base/clock.h"
#include "db/encoding.h"
#include "db/score_db.h"
#include "db/squad_db.h"
#include "db/user_db.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

constexpr std::int32_t kUsers = 24000;  // 3.7 MB of User file
constexpr std::int32_t kSquads = 2000;
constexpr int kKills = 50;
// The address PlayerLogin (e2e_fixture.h) gives every player: 10.1.2.3.
const std::string kPlayerIp("\x0a\x01\x02\x03", 4);

using Clock = std::chrono::steady_clock;

// The three files of the zone, in the order the save writes them.
struct Files {
  std::string score;
  std::string squad;
  std::string user;
};

// The starting files: user k has ScoreID k and MacID k, squads round robin.
Files StartingFiles(const std::string& today) {
  Files files;
  for (std::int32_t k = 1; k <= kUsers; ++k) {
    files.user += PadField("Player" + std::to_string(k), 24) +
                  Int32ToBytes(k % (kSquads + 1)) + Int32ToBytes(k) +
                  std::string(kDataBlockSize + 12, '\0') + kPlayerIp +
                  Int32ToBytes(k) + today + Int32ToBytes(k);
    files.score += Int16ToBytes(static_cast<std::int16_t>(k)) +
                   std::string(kScoreRecordSize - 2, '\0');
  }
  for (std::int32_t k = 1; k <= kSquads; ++k) {
    files.squad += PadField("Squad" + std::to_string(k), 24) +
                   PadField("pw", 24) + Int32ToBytes(k);
  }
  return files;
}

std::int32_t FieldInt(std::string_view file, std::int32_t record,
                      std::size_t offset) {
  return BytesToInt32(file.substr(
      static_cast<std::size_t>(record - 1) * kUserRecordSize + offset, 4));
}

void PutField(std::string& file, std::int32_t record, std::size_t offset,
              std::string_view value) {
  file.replace(static_cast<std::size_t>(record - 1) * kUserRecordSize + offset,
               value.size(), value);
}

class CrashSaveTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    Files start = StartingFiles(Today());
    WriteFile(File("User.1"), start.user);
    WriteFile(File("Squad.1"), start.squad);
    WriteFile(File("Score.1"), start.score);
  }

  static std::string Today() { return PackDate(SystemClock().Now()); }

  Files OnDisk() const {
    return {ReadFile(File("Score.1")), ReadFile(File("Squad.1")),
            ReadFile(File("User.1"))};
  }

  // Starts the server and brings the zone's databases to what saving them
  // in generation `g` writes: a known player logs in, reports a data block
  // and logs off with scores; a new player is added and logs off with
  // scores. Returns the files the save must write; `zone` is left logged in.
  Files Generation(int g, const Files& old, std::unique_ptr<ZoneClient>& zone) {
    Files next = old;
    const std::string today = Today();
    StartServer();
    zone = NewZone();
    EXPECT_EQ(zone->LogIn(ZoneLoginFields{.name = "Crash Zone"}).substr(0, 2),
              Hex("00 04"));
    const std::int32_t known = 1 + (g * 7919) % kUsers;
    const std::string block(kDataBlockSize, static_cast<char>('a' + g % 26));
    const std::string scores = Int32ToBytes(g) + std::string(10, 'k');
    zone->SendReliable(PlayerLogin("Player" + std::to_string(known), 1,
                                   /*confirmed=*/true, known));
    EXPECT_TRUE(zone->NextMessage(5000));
    zone->SendReliable(PlayerMessage(kDataBlockType, 1, block));
    zone->SendReliable(PlayerLogoffMessage(1, 3, scores));
    const std::string name = "Newbie" + std::to_string(g);
    zone->SendReliable(PlayerLogin(name, 2, /*confirmed=*/true, 900000 + g));
    std::optional<ServerMessage> reply = zone->NextMessage(5000);
    EXPECT_TRUE(reply && reply->message.size() == 192);
    // The new player's squad changes the Squad file too.
    const std::string squad = "Crew" + std::to_string(g);
    zone->SendReliable(CommandMessage(2, "?squadcreate " + squad + ":pw"));
    EXPECT_TRUE(zone->NextMessage(5000));
    zone->SendReliable(PlayerLogoffMessage(2, 0, scores));
    EXPECT_TRUE(server_->WaitForOutput(name + " logging off", 10000));

    PutField(next.user, known, 32, block);
    PutField(next.user, known, 140, kPlayerIp);
    PutField(next.user, known, 148, today);
    PutField(next.user, known, 152,
             Int32ToBytes(FieldInt(old.user, known, 152) + 3));
    const auto score_id =
        static_cast<std::int32_t>(old.score.size() / kScoreRecordSize) + 1;
    const auto user_id =
        static_cast<std::int32_t>(old.user.size() / kUserRecordSize) + 1;
    const auto squad_id =
        static_cast<std::int32_t>(old.squad.size() / kSquadRecordSize) + 1;
    next.squad +=
        PadField(squad, 24) + PadField("pw", 24) + Int32ToBytes(user_id);
    next.user += PadField(name, 24) + Int32ToBytes(squad_id) +
                 Int32ToBytes(score_id) + std::string(kDataBlockSize, '\0') +
                 (reply ? reply->message.substr(154, 12) : "") + kPlayerIp +
                 Int32ToBytes(900000 + g) + today + std::string(4, '\0');
    const std::size_t known_score =
        static_cast<std::size_t>(FieldInt(old.user, known, 28) - 1) *
        kScoreRecordSize;
    next.score.replace(known_score, kScoreRecordSize, scores);
    next.score += scores;
    // A login on another day than `today` stamps another date: such a
    // generation is not checked.
    if (Today() != today) next.user.clear();
    return next;
  }

  // Skips the acknowledgements still on their way.
  static bool DisconnectArrives(ZoneClient& zone) {
    while (std::optional<std::string> datagram = zone.Receive(1000)) {
      if (*datagram == Hex("00 07")) return true;
    }
    return false;
  }

  // Watches the folder for files renamed into it.
  int WatchRenames() const {
    const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    EXPECT_GE(fd, 0);
    EXPECT_GE(inotify_add_watch(fd, folder_.path().c_str(), IN_MOVED_TO), 0);
    return fd;
  }

  // Waits up to five seconds for `name` to be renamed into the folder.
  static bool RenamedInto(int watch, const std::string& name) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    alignas(inotify_event) char buffer[4096];
    while (Clock::now() < end) {
      pollfd ready{.fd = watch, .events = POLLIN, .revents = 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      const ssize_t got = ::read(watch, buffer, sizeof buffer);
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && name == event->name) return true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return false;
  }

  // Every User record names a score record inside the Score file.
  static bool ScoreIdsInside(const Files& files) {
    const auto scores =
        static_cast<std::int32_t>(files.score.size() / kScoreRecordSize);
    const auto users =
        static_cast<std::int32_t>(files.user.size() / kUserRecordSize);
    for (std::int32_t k = 1; k <= users; ++k) {
      const std::int32_t id = FieldInt(files.user, k, 28);
      if (id < 1 || id > scores) return false;
    }
    return true;
  }
};

TEST_F(CrashSaveTest, KilledSavesLeaveOldOrNewFilesAndScoresForEveryUser) {
  std::random_device device;
  const unsigned seed = device();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));

  // Generation 0 saves whole; its length sets the span the kills land in.
  std::unique_ptr<ZoneClient> zone;
  Files expected = Generation(0, OnDisk(), zone);
  zone->SendRaw(Hex("00 07"));
  const auto begun = Clock::now();
  ASSERT_TRUE(server_->WaitForOutput("Crash Zone Written: ", 10000));
  const auto save_time = std::max<Clock::duration>(
      Clock::now() - begun, std::chrono::milliseconds(5));
  EXPECT_EQ(server_->Stop(SIGKILL), -1);
  ASSERT_EQ(OnDisk().user, expected.user);
  ASSERT_EQ(OnDisk().squad, expected.squad);

  // Every third kill follows the rename of the Score or the Squad file; the
  // others come at a random moment from the zone's Disconnect on.
  int counts[3] = {0, 0, 0};  // all old, some new, all new
  for (int g = 1; g <= kKills; ++g) {
    SCOPED_TRACE("generation " + std::to_string(g));
    const Files old = OnDisk();
    const Files next = Generation(g, old, zone);
    ASSERT_FALSE(HasFailure());
    const int watch = WatchRenames();
    zone->SendRaw(Hex("00 07"));
    if (g % 3 == 0) {
      EXPECT_TRUE(RenamedInto(watch, g % 2 == 0 ? "Score.1" : "Squad.1"));
    } else {
      std::this_thread::sleep_for(std::uniform_int_distribution<Clock::rep>(
                                      0, save_time.count() * 3 / 2)(random) *
                                  Clock::duration(1));
    }
    server_->Stop(SIGKILL);
    ::close(watch);
    // The zone's Disconnect left before the save began.
    if (g % 3 == 0) {
      ASSERT_TRUE(DisconnectArrives(*zone));
    }

    const Files now = OnDisk();
    ASSERT_TRUE(ScoreIdsInside(now));
    if (next.user.empty()) continue;
    const bool score_new = now.score == next.score;
    const bool squad_new = now.squad == next.squad;
    const bool user_new = now.user == next.user;
    ASSERT_TRUE(score_new || now.score == old.score);
    ASSERT_TRUE(squad_new || now.squad == old.squad);
    ASSERT_TRUE(user_new || now.user == old.user);
    // Renamed in the order Score, Squad, User.
    ASSERT_TRUE(score_new || !squad_new);
    ASSERT_TRUE(squad_new || !user_new);
    ++counts[score_new && user_new ? 2 : score_new ? 1 : 0];
  }
  std::printf("[ kills    ] %d before the save, %d between files, %d after\n",
              counts[0], counts[1], counts[2]);
  // Kills that all land after the save (or all before it) test nothing.
  EXPECT_GT(counts[0], 0);
  EXPECT_GT(counts[1], 0);
}

}  // namespace
}  // namespace tallyhall
