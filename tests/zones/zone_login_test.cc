// Zone login against registered entries and the billing password, zone
// logoff, and the removal of zones from the table.
#include "zones/zone_login.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "db/encoding.h"
#include "shell/server_events.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

class ZoneLoginTest : public CoreTest {
 protected:
  std::string Ini() const { return ReadFile(folder_.File("Tallyhall.ini")); }

  // Sends a zone login from zone address `n`; returns what was sent back.
  std::vector<std::string> TryLogin(int n, const ZoneLoginFields& fields) {
    ReceiveReliable(ZoneAddress(n), ZoneLoginMessage(fields), 0x0a0b0c0d);
    return TakeSent(ZoneAddress(n));
  }

  static ZoneLoginFields Fields(std::string name, std::string password) {
    ZoneLoginFields f;
    f.name = std::move(name);
    f.password = std::move(password);
    f.server_id = 3;
    f.group_id = -4;
    f.score_id = 5;
    f.game_port = -2;
    return f;
  }
};

TEST_F(ZoneLoginTest, NewZoneWithBillingPasswordIsAddedAndRegistered) {
  EXPECT_EQ(TryLogin(1, Fields("Main Zone", "ledgerkite")),
            std::vector<std::string>{Hex("00 04 0d 0c 0b 0a")});
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{
                "Connection request from 127.0.0.1:-2",
                "Main Zone(ServerID:3 GroupID:-4 ScoreID:5) Unregistered zone: "
                "Valid biller password. Zone added and logged in",
                "Main Zone Loaded: 0 User Database records 0 Squad Database "
                "records 0 Score Database records"}));
  EXPECT_TRUE(Ini().ends_with("[Billing] section)\r\nMain Zone=ledgerkite\r\n"))
      << Ini();
  EXPECT_TRUE(FileExists(folder_.File("User.3")));
  EXPECT_TRUE(FileExists(folder_.File("Squad.-4")));
  EXPECT_TRUE(FileExists(folder_.File("Score.5")));
  ASSERT_EQ(core_.zones().ZoneCount(), 1);
  EXPECT_EQ(Zone(1).ServerName, "Main Zone");
  EXPECT_EQ(Zone(1).GamePort, -2);
  EXPECT_EQ(Zone(1).SendSequence, 0);
}

TEST_F(ZoneLoginTest,
       RegisteredZoneKeepsItsPasswordAfterBillingPasswordChanges) {
  TryLogin(1, Fields("Main", "ledgerkite"));
  Receive(ZoneAddress(1), Hex("00 07"));
  TakeSent(ZoneAddress(1));
  ASSERT_TRUE(core_.settings_file()
                  .WriteSetting("Passwords", "BillingPassword", "newpass")
                  .ok());
  TakeLines();
  EXPECT_EQ(TryLogin(1, Fields("Main", "newpass")),
            std::vector<std::string>{Hex("00 07")});
  EXPECT_EQ(TakeLines().back(),
            "Main(ServerID:3 GroupID:-4 ScoreID:5) Invalid biller password. "
            "Zone booted");
  EXPECT_EQ(TryLogin(1, Fields("main", "ledgerkite")),
            std::vector<std::string>{Hex("00 04 0d 0c 0b 0a")});
  EXPECT_EQ(TakeLines()[1],
            "main(ServerID:3 GroupID:-4 ScoreID:5) Valid biller password. "
            "Zone logged in");
}

TEST_F(ZoneLoginTest, WrongOrWrongCasePasswordIsRefused) {
  for (const char* password : {"LedgerKite", "wrong", ""}) {
    EXPECT_EQ(TryLogin(1, Fields("Main", password)),
              std::vector<std::string>{Hex("00 07")});
    EXPECT_EQ(TakeLines().back(),
              "Main(ServerID:3 GroupID:-4 ScoreID:5) Unregistered zone. "
              "Invalid biller password. Zone booted");
  }
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
  EXPECT_EQ(Ini().find("Main="), std::string::npos);
}

TEST_F(ZoneLoginTest, EmptyOrMissingBillingPasswordAdmitsNoZone) {
  const std::string key_line = "BillingPassword=ledgerkite\r\n";
  std::string ini = Ini();
  for (const char* replacement : {"BillingPassword=\r\n", ""}) {
    std::string text = ini;
    WriteFile(folder_.File("Tallyhall.ini"),
              text.replace(text.find(key_line), key_line.size(), replacement));
    EXPECT_EQ(TryLogin(1, Fields("Main", "")),
              std::vector<std::string>{Hex("00 07")});
    EXPECT_EQ(TakeLines().back(),
              "Main(ServerID:3 GroupID:-4 ScoreID:5) Unregistered zone. "
              "Invalid biller password. Zone booted");
  }
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
}

TEST_F(ZoneLoginTest,
       NewZonesBlockedRefusesUnregisteredZoneWhateverItsPassword) {
  core_.settings().allow_new_zones = false;
  EXPECT_EQ(TryLogin(1, Fields("Main", "ledgerkite")),
            std::vector<std::string>{Hex("00 07")});
  EXPECT_EQ(TakeLines().back(),
            "Main(ServerID:3 GroupID:-4 ScoreID:5) Unregistered zone. New "
            "zones are blocked. Zone booted");
  ASSERT_TRUE(core_.settings_file()
                  .WriteSetting("RegisteredZones", "Main", "own")
                  .ok());
  EXPECT_EQ(TryLogin(1, Fields("Main", "own")),
            std::vector<std::string>{Hex("00 04 0d 0c 0b 0a")});
}

TEST_F(ZoneLoginTest, NameWithoutNulTakesAll126Bytes) {
  const std::string name(126, 'N');
  TryLogin(1, Fields(name, "ledgerkite"));
  ASSERT_EQ(core_.zones().ZoneCount(), 1);
  EXPECT_EQ(Zone(1).ServerName, name);
}

// Such a zone can never be registered, but may still log in.
TEST_F(ZoneLoginTest, NameThatCannotBeAKeyIsAcceptedButNotRegistered) {
  const std::string before = Ini();
  const std::pair<std::string, std::string> cases[] = {
      {"a=b", "\"=\" in key"},
      {"[EU] League", "key starts with \"[\""},
      {"x\r\ny", "CR, LF or NUL in section, key or value"}};
  int n = 0;
  for (const auto& [name, reason] : cases) {
    EXPECT_EQ(TryLogin(++n, Fields(name, "ledgerkite")),
              std::vector<std::string>{Hex("00 04 0d 0c 0b 0a")});
    const std::string prefix = name + "(ServerID:3 GroupID:-4 ScoreID:5) ";
    const std::vector<std::string> lines = TakeLines();
    ASSERT_EQ(lines.size(), 4u) << name;
    EXPECT_EQ(lines[1], prefix + "Zone name cannot be registered: " + reason);
    EXPECT_EQ(lines[2], prefix +
                            "Unregistered zone: Valid biller password. Zone "
                            "added and logged in");
    EXPECT_EQ(Zone(n).ServerName, name);
  }
  EXPECT_EQ(Ini(), before);
}

TEST_F(ZoneLoginTest, LogoffSavesFilesAnswersDisconnectAndForgetsZone) {
  LoginZone(1, "Main");
  Zone(1).databases.scores.AddScoreRecord();
  TakeLines();
  Receive(ZoneAddress(1), Hex("00 07"));
  EXPECT_EQ(TakeSent(ZoneAddress(1)), std::vector<std::string>{Hex("00 07")});
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{
                "Disconnecting 127.0.0.1:5000",
                "Main(ServerID:1 GroupID:1 ScoreID:1) Game server logging off",
                "Main Written: 0 User Database records 0 Squad Database "
                "records 1 Score Database records"}));
  EXPECT_EQ(ReadFile(folder_.File("Score.1")), std::string(14, '\0'));
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
}

TEST_F(ZoneLoginTest, RemovingMiddleZoneMovesLaterZoneDown) {
  LoginZone(1, "One");
  LoginZone(2, "Two");
  LoginZone(3, "Three");
  Zone(3).SendSequence = 42;
  AppendPlayer(Zone(3), {.PlayerName = "Ann"});
  Receive(ZoneAddress(2), Hex("00 07"));
  ASSERT_EQ(core_.zones().ZoneCount(), 2);
  EXPECT_EQ(Zone(2).ServerName, "Three");
  EXPECT_EQ(Zone(2).SendSequence, 42);
  EXPECT_EQ(Zone(2).PlayerCount(), 1);
  EXPECT_EQ(core_.zones().FindZoneByAddress(ZoneAddress(3)), 2);
  EXPECT_EQ(core_.zones().FindZoneByAddress(ZoneAddress(2)), 0);
}

TEST_F(ZoneLoginTest, ZoneAfterTheOnlyOneLeftStartsAfresh) {
  LoginZone(1, "One");
  Zone(1).SendSequence = 9;
  Receive(ZoneAddress(1), Hex("00 07"));
  EXPECT_EQ(LoginZone(2, "Two"), 1);
  EXPECT_EQ(Zone(1).SendSequence, 0);
  EXPECT_EQ(Zone(1).PlayerCount(), 0);
}

// Served from what it could read, the zone would give players zeroed scores
// and new players ScoreIDs that others hold.
TEST_F(ZoneLoginTest, ZoneWhoseScoreFileCannotBeReadIsRefusedUnwritten) {
  WriteFile(folder_.File("Score.5"), std::string(14, 'c'));
  const std::string ini = Ini();
  core_.set_file_hooks({.before_read = [&](const std::string& path) {
    return path == folder_.File("Score.5") ? EIO : 0;
  }});
  EXPECT_EQ(TryLogin(1, Fields("Main", "ledgerkite")),
            std::vector<std::string>{Hex("00 07")});
  EXPECT_EQ(
      TakeLines(),
      (std::vector<std::string>{
          "Connection request from 127.0.0.1:-2",
          "Main(ServerID:3 GroupID:-4 ScoreID:5) Could not read " +
              folder_.File("Score.5") + ": Input/output error. Zone booted"}));
  // A sender that is not a zone has its lines held for the per-address
  // limit; the line keeps its priority through the hold.
  EXPECT_EQ(view_.priorities.back(), LogPriority::kError);
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
  EXPECT_EQ(Ini(), ini);
  EXPECT_FALSE(FileExists(folder_.File("User.3")));
  EXPECT_FALSE(FileExists(folder_.File("Squad.-4")));
  EXPECT_EQ(ReadFile(folder_.File("Score.5")), std::string(14, 'c'));
}

TEST_F(ZoneLoginTest, FileEndingInPartialRecordGetsOneLineAtLogin) {
  WriteFile(folder_.File("User.3"), std::string(200, 'u'));   // 1 record
  WriteFile(folder_.File("Squad.-4"), std::string(52, 's'));  // whole
  WriteFile(folder_.File("Score.5"), std::string(21, 'c'));   // 2 records
  TryLogin(1, Fields("Main", "ledgerkite"));
  const std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2],
            "Main(ServerID:3 GroupID:-4 ScoreID:5) User.3 ends in a partial "
            "record of 44 bytes, which the next save drops");
  EXPECT_EQ(lines[3],
            "Main(ServerID:3 GroupID:-4 ScoreID:5) Score.5 ends in a partial "
            "record of 7 bytes, which the next save completes with NUL bytes");
  EXPECT_EQ(lines[4],
            "Main Loaded: 1 User Database records 1 Squad Database records 2 "
            "Score Database records");
}

TEST_F(ZoneLoginTest, ZonesSharingIdsKeepOwnCopiesAndLastSaveWins) {
  WriteFile(folder_.File("Score.1"), std::string(14, '\x01'));
  LoginZone(1, "One");
  LoginZone(2, "Two");
  const std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2],
            "One Loaded: 0 User Database records 0 Squad Database records 1 "
            "Score Database records");
  EXPECT_EQ(lines[5],
            "Two Loaded: 0 User Database records 0 Squad Database records 1 "
            "Score Database records");
  Zone(1).databases.scores.PutScoreRecord(1, std::string(14, 'a'));
  Zone(2).databases.scores.PutScoreRecord(1, std::string(14, 'b'));
  EXPECT_EQ(Zone(2).databases.scores.GetScoreRecord(1), std::string(14, 'b'));
  Receive(ZoneAddress(2), Hex("00 07"));
  Receive(ZoneAddress(1), Hex("00 07"));
  EXPECT_EQ(ReadFile(folder_.File("Score.1")), std::string(14, 'a'));
}

TEST_F(ZoneLoginTest, IdleZoneDoesNotRevertTheNewerSaveOfAZoneSharingIds) {
  WriteFile(folder_.File("Score.1"), std::string(14, '\x01'));
  LoginZone(1, "One");
  LoginZone(2, "Two");
  Zone(2).databases.scores.PutScoreRecord(1, std::string(14, 'b'));
  Receive(ZoneAddress(2), Hex("00 07"));
  TakeLines();
  Receive(ZoneAddress(1), Hex("00 07"));
  EXPECT_EQ(TakeLines().back(),
            "One Written: 0 User Database records 0 Squad Database records 1 "
            "Score Database records");
  EXPECT_EQ(ReadFile(folder_.File("Score.1")), std::string(14, 'b'));
}

TEST_F(ZoneLoginTest, ShutdownDisconnectsAndSavesEveryZoneInTableOrder) {
  LoginZone(1, "One");
  LoginZoneWithOwnUsers(2, "Two");
  TakeLines();
  EXPECT_TRUE(Shutdown(core_));
  EXPECT_EQ(TakeSent(ZoneAddress(1)), std::vector<std::string>{Hex("00 07")});
  EXPECT_EQ(TakeSent(ZoneAddress(2)), std::vector<std::string>{Hex("00 07")});
  std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].starts_with("One Written: "));
  EXPECT_TRUE(lines[1].starts_with("Two Written: "));
  EXPECT_TRUE(FileExists(folder_.File("User.2")));
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
}

// A zone that leaves while its save fails (here: a full disk) keeps what
// was not written until the zone comes back.
TEST_F(ZoneLoginTest, ZoneLeavingDuringFailedSaveGetsItsDatabasesBack) {
  LoginZone(1, "Main");
  LoginPlayer(1, "Ann", 1);
  const std::string wins = Int16ToBytes(50) + std::string(12, '\0');
  Zone(1).databases.scores.PutScoreRecord(1, wins);
  core_.set_file_hooks(
      {.before_rename = [](const std::string&) { return ENOSPC; }});
  Receive(ZoneAddress(1), Hex("00 07"));
  EXPECT_EQ(core_.pending().FileNames(),
            (std::vector<std::string>{"Score.1", "User.1"}));
  EXPECT_EQ(*core_.pending().Bytes("Score.1"), wins);

  core_.set_file_hooks({});
  TakeLines();
  LoginZone(2, "Main");
  EXPECT_EQ(TakeLines(),
            (std::vector<std::string>{
                "Connection request from 127.0.0.1:5000",
                "Main(ServerID:1 GroupID:1 ScoreID:1) Valid biller password. "
                "Zone logged in",
                "Main(ServerID:1 GroupID:1 ScoreID:1) Score.1 is taken from "
                "the copy kept since its save failed, not from the file",
                "Main(ServerID:1 GroupID:1 ScoreID:1) User.1 is taken from the "
                "copy kept since its save failed, not from the file",
                "Main Loaded: 1 User Database records 0 Squad Database records "
                "1 Score Database records"}));
  EXPECT_TRUE(core_.pending().empty());
  EXPECT_EQ(Zone(1).databases.scores.GetScoreRecord(1), wins);
  Receive(ZoneAddress(2), Hex("00 07"));
  EXPECT_EQ(ReadFile(folder_.File("Score.1")), wins);
}

// Two zones share the identifiers; both leave while the disk is full. The
// later copy replaces the earlier, and the tick writes it once it can.
TEST_F(ZoneLoginTest, TickWritesTheLatestPendingCopy) {
  LoginZone(1, "One");
  LoginZone(2, "Two");
  Zone(1).databases.scores.AddScoreRecord();
  Zone(2).databases.scores.AddScoreRecord();
  Zone(2).databases.scores.AddScoreRecord();
  core_.set_file_hooks(
      {.before_rename = [](const std::string&) { return ENOSPC; }});
  Receive(ZoneAddress(1), Hex("00 07"));
  Receive(ZoneAddress(2), Hex("00 07"));
  OnSaveTick(core_);
  EXPECT_EQ(core_.pending().FileNames(), std::vector<std::string>{"Score.1"});
  core_.set_file_hooks({});
  TakeLines();
  OnSaveTick(core_);
  EXPECT_EQ(TakeLines(),
            std::vector<std::string>{"Two Written: 0 User Database records 0 "
                                     "Squad Database records 2 Score Database "
                                     "records"});
  EXPECT_EQ(ReadFile(folder_.File("Score.1")), std::string(28, '\0'));
  EXPECT_TRUE(core_.pending().empty());
}

// What is still unwritten at shutdown is named, and the shutdown fails:
// databases of a zone that left earlier and of a zone removed now.
TEST_F(ZoneLoginTest, ShutdownNamesTheDatabasesLeftUnwritten) {
  core_.set_file_hooks({.before_rename = [&](const std::string& temp) {
    return temp.ends_with(".1.tmp") || temp.ends_with("Squad.2.tmp") ? ENOSPC
                                                                     : 0;
  }});
  for (int n = 1; n <= 3; ++n) {
    ZoneLoginFields fields;
    fields.name = "Z" + std::to_string(n);
    fields.server_id = fields.group_id = fields.score_id = n;
    LoginZone(n, fields);
  }
  LoginPlayer(1, "Ann", 1);
  Zone(2).databases.squads.AppendSquad("Reds", "", 0);
  Receive(ZoneAddress(1), Hex("00 07"));
  TakeLines();
  EXPECT_FALSE(Shutdown(core_));
  EXPECT_EQ(TakeLines().back(),
            "Databases not saved at shutdown: Score.1, User.1, Squad.2");
  EXPECT_EQ(core_.zones().ZoneCount(), 0);
  EXPECT_EQ(TakeSent(ZoneAddress(3)), std::vector<std::string>{Hex("00 07")});
}

}  // namespace
}  // namespace tallyhall
