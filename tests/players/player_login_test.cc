// Player login: the new-player rules, the three replies byte for byte, the
// duplicate-name rule, what AddPlayer stamps and queues, and short logins.
#include "players/player_login.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/core_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

const std::string kPrefix = "Zone(ServerID:1 GroupID:1 ScoreID:1";

class PlayerLoginTest : public CoreTest {
 protected:
  void SetUp() override {
    LoginZone(1);
    TakeLines();
  }

  // Sends a player login to zone 1; returns the messages sent back (the
  // acknowledgement left out).
  std::vector<std::string> Login(const std::string& name, std::int32_t pid,
                                 char flag = 0, std::int32_t mac = 99,
                                 std::string ip = Hex("0a 00 00 07")) {
    std::string message = PlayerLoginMessage(name, pid, ip, mac, flag != 0);
    message.replace(30, 40, 40, 'x');  // bytes the biller never reads
    return Send(message);
  }

  std::vector<std::string> Send(std::string_view message) {
    ReceiveReliable(ZoneAddress(1), message);
    std::vector<std::string> messages;
    for (const std::string& sent : TakeSent(ZoneAddress(1))) {
      if (auto decoded = DecodeReliable(sent)) {
        messages.push_back(decoded->message);
      }
    }
    return messages;
  }

  UserDatabase& users() { return Zone(1).databases.users; }
};

TEST_F(PlayerLoginTest, NewPlayerIsAskedToConfirmThenAdded) {
  EXPECT_EQ(Login("Ann", 0x01020304),
            std::vector<std::string>{Hex("01 01 04 03 02 01")});
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{
                kPrefix + ") New User: Ann Waiting for confimation..."});
  EXPECT_EQ(users().UserCount(), 0);
  EXPECT_EQ(Zone(1).PlayerCount(), 0);

  auto replies = Login("Ann", 0x01020304, 1);
  ASSERT_EQ(replies.size(), 1u);
  ASSERT_EQ(replies[0].size(), 192u);
  EXPECT_EQ(replies[0].substr(170, 4), Hex("01 00 00 00"));
  EXPECT_EQ(replies[0].substr(178), std::string(14, '\0'));
  EXPECT_EQ(
      TakeLines(),
      std::vector<std::string>{
          kPrefix + ") New User added to User Database and logged in: Ann"});
  EXPECT_EQ(users().UserCount(), 1);
  EXPECT_EQ(Zone(1).PlayerCount(), 1);
}

TEST_F(PlayerLoginTest, NewUserSettingsDecideWhatHappens) {
  core_.settings().ask_new_users = false;
  EXPECT_EQ(Login("Ann", 1, 0)[0].size(), 192u);
  EXPECT_EQ(users().UserCount(), 1);

  core_.settings().allow_new_users = false;
  for (char flag : {'\0', '\1'}) {
    EXPECT_EQ(Login("Bob", 2, flag),
              std::vector<std::string>{Hex("01 02 02 00 00 00")});
    EXPECT_EQ(TakeLines().back(),
              kPrefix + ") New User: Bob Connection disallowed");
  }
  core_.settings().ask_new_users = true;
  EXPECT_EQ(Login("Bob", 2, 0)[0], Hex("01 02 02 00 00 00"));
  EXPECT_EQ(users().UserCount(), 1);
  // A known player still logs in.
  EXPECT_EQ(Login("ann", 3)[0].size(), 192u);
  EXPECT_EQ(Zone(1).PlayerCount(), 2);
}

TEST_F(PlayerLoginTest, AcceptedReplyCarriesEveryFieldAtItsOffset) {
  Login("Ann", 1, 1);
  RemovePlayer(Zone(1), 1);
  Zone(1).databases.squads.AppendSquad("Hawks", "pw", 1);
  std::string data_block;
  for (int i = 0; i < 96; ++i) data_block.push_back(static_cast<char>(i + 1));
  const std::string created = Hex("ea 07 0c 00 07 00 0c 00 00 00 00 00");
  const std::string score = Hex("01 00 02 00 03 00 04 00 00 00 05 00 00 00");
  users().SetUserField(1, UserField::kSquadID, Hex("01 00 00 00"));
  users().SetUserField(1, UserField::kDataBlock, data_block);
  users().SetUserField(1, UserField::kUsageTotal, Hex("2a 00 00 00"));
  users().SetUserField(1, UserField::kCreated, created);
  Zone(1).databases.scores.PutScoreRecord(1, score);
  TakeLines();

  auto replies = Login("ANN", 0x11223344);
  ASSERT_EQ(replies.size(), 1u);
  const std::string& r = replies[0];
  ASSERT_EQ(r.size(), 192u);
  EXPECT_EQ(r.substr(0, 6), Hex("01 00 44 33 22 11"));
  EXPECT_EQ(r.substr(6, 24), "ANN" + std::string(21, '\0'));
  EXPECT_EQ(r.substr(30, 24), "Hawks" + std::string(19, '\0'));
  EXPECT_EQ(r.substr(54, 96), data_block);
  EXPECT_EQ(r.substr(150, 4), Hex("2a 00 00 00"));
  EXPECT_EQ(r.substr(154, 12), created);
  EXPECT_EQ(r.substr(166, 12), Hex("00 00 00 00 01 00 00 00 00 00 00 00"));
  EXPECT_EQ(r.substr(178, 14), score);
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{kPrefix + ") Known User logged in: ANN"});
  // The stored name keeps its letter case.
  EXPECT_EQ(TrimAtNul(users().GetUserField(1, UserField::kName)), "Ann");
  EXPECT_EQ(Zone(1).Player(1).PlayerName, "ANN");
}

TEST_F(PlayerLoginTest, NameAlreadyPresentGetsBlanksOrDigitInReply) {
  Login("Bob", 1, 1);
  EXPECT_EQ(Login("bob", 2)[0].substr(6, 24), "bob " + std::string(20, '\0'));
  // The list holds "bob", not "bob ", so the third login also gets one blank.
  EXPECT_EQ(Login("Bob", 3)[0].substr(6, 24), "Bob " + std::string(20, '\0'));
  EXPECT_EQ(Zone(1).Player(2).PlayerName, "bob");

  const std::string full = "abcdefghijklmnopqrstuvwx";
  Login(full, 4, 1);
  EXPECT_EQ(Login(full, 5)[0].substr(6, 24), "abcdefghijklmnopqrstuvw1");
}

// A zone that lost a player without a logoff may hand his PlayerID to the
// next one: the old entry must not collect the newcomer's scores.
// Every name the rule tries is present, so one login tries them all: the
// search must not cost the square of the number of players.
TEST_F(PlayerLoginTest, DuplicateNameRuleStaysLinearWithManyPlayers) {
  const std::string name = "abcdefghijklmnopqrstuvwx";
  Login(name, 1, 1);
  constexpr int kPresent = 20000;
  for (int n = 1; n < kPresent; ++n) {
    const std::string digits = std::to_string(n);
    std::string taken = name.substr(0, 24 - digits.size()) + digits;
    if (n % 2 == 1) taken[0] = 'A';  // letter case does not count
    AddPresentPlayer(1, taken, n + 1);
  }
  EXPECT_EQ(Login(name, kPresent + 1)[0].substr(6, 24),
            name.substr(0, 19) + std::to_string(kPresent));
}

// The names present follow every login and logoff: a name counts as long as
// one player of it (in any letter case) is present.
TEST_F(PlayerLoginTest, NamesPresentFollowLoginsAndLogoffs) {
  auto reply_name = [&](const std::string& name, std::int32_t pid) {
    return std::string(TrimAtNul(Login(name, pid, 1)[0].substr(6, 24)));
  };
  auto logoff = [&](std::int32_t pid) {
    ReceiveReliable(ZoneAddress(1), PlayerLogoffMessage(pid, 0, ""));
  };
  EXPECT_EQ(reply_name("Bob", 1), "Bob");
  EXPECT_EQ(reply_name("bob", 2), "bob ");
  logoff(1);
  EXPECT_EQ(reply_name("BOB", 3), "BOB ");
  logoff(2);
  logoff(3);
  EXPECT_EQ(reply_name("Bob", 4), "Bob");
  EXPECT_EQ(Zone(1).present_names.size(), 1u);
}

TEST_F(PlayerLoginTest, LoginWithPresentPlayerIdReplacesTheStaleEntry) {
  Login("Ann", 5, 1);
  Login("Cid", 6, 1);
  TakeLines();
  Login("Bob", 5, 1);
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{
                kPrefix + ") Stale player entry replaced: Ann",
                kPrefix + ") New User added to User Database and logged in: "
                          "Bob"}));
  ASSERT_EQ(Zone(1).PlayerCount(), 2);
  EXPECT_EQ(Zone(1).Player(1).PlayerName, "Cid");
  EXPECT_EQ(FindPlayerByID(Zone(1), 5), 2);
  EXPECT_EQ(Zone(1).Player(2).PlayerName, "Bob");

  // The stale entry is gone before the duplicate-name rule looks.
  EXPECT_EQ(Login("bob", 5)[0].substr(6, 24), "bob" + std::string(21, '\0'));
  EXPECT_EQ(TakeLines().front(),
            kPrefix + ") Stale player entry replaced: Bob");
  EXPECT_EQ(Zone(1).PlayerCount(), 2);

  core_.settings().allow_new_users = false;
  EXPECT_EQ(Login("Dan", 5),
            std::vector<std::string>{Hex("01 02 05 00 00 00")});
  EXPECT_EQ(TakeLines().front(),
            kPrefix + ") Stale player entry replaced: bob");
  EXPECT_EQ(FindPlayerByID(Zone(1), 5), 0);
  EXPECT_EQ(Zone(1).PlayerCount(), 1);
}

TEST_F(PlayerLoginTest, LoginStampsAddressAndDateAndFillsThePlayer) {
  Login("Ann", 1, 1, 99, Hex("0a 00 00 07"));
  clock_.Set({.year = 2027, .month = 3, .day = 4});
  Login("Ann", 0x0a0b, 0, 99, Hex("c0 a8 00 05"));
  EXPECT_EQ(users().GetUserField(1, UserField::kIP), Hex("c0 a8 00 05"));
  EXPECT_EQ(users().GetUserField(1, UserField::kLastDatePlayed),
            Hex("04 03 eb 07"));
  const ZonePlayer& p = Zone(1).Player(2);
  EXPECT_EQ(p.IP, 0x0500a8c0);
  EXPECT_EQ(p.MacID, 99);
  EXPECT_EQ(p.PlayerID, 0x0a0b);
  EXPECT_EQ(p.UserID, 1);
  EXPECT_TRUE(p.SwapName.empty() && p.ChatChannels.empty());
}

TEST_F(PlayerLoginTest, GreetingIsQueuedWithDefaultReplaced) {
  core_.settings().greeting = "Hi [DEFAULT]!";
  Login("Ann", 7, 1);
  ASSERT_EQ(core_.delayed_responses().size(), 1u);
  EXPECT_EQ(core_.delayed_responses()[0].player_id, 7);
  EXPECT_EQ(core_.delayed_responses()[0].text,
            "Hi Greetings. This is Tallyhall. Type ?bhelp for biller "
            "commands!");
  EXPECT_EQ(scheduler_.restarts, 1);

  core_.settings().greeting = "";
  Login("Bob", 8, 1);
  EXPECT_EQ(core_.delayed_responses().size(), 1u);
  EXPECT_EQ(scheduler_.restarts, 1);
}

TEST_F(PlayerLoginTest, LoginWithoutWholeMacIdIsLoggedAndIgnored) {
  // The MacID is cut to its first three bytes, 01 02 03.
  const std::string message =
      PlayerLoginMessage("Ann", 5, Hex("0a 00 00 07"), 0x030201, true)
          .substr(0, 77);
  EXPECT_TRUE(Send(message).empty());
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{kPrefix +
                                     ") Player login too short: Ann ignored"});
  EXPECT_TRUE(Send(Hex("04 01 0a")).empty());
  EXPECT_EQ(users().UserCount(), 0);
  EXPECT_EQ(Zone(1).PlayerCount(), 0);
}

}  // namespace
}  // namespace tallyhall
