// Zones over real UDP: connection set-up, zone login and logoff, unknown
// events and the shutdown with zones connected.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class ZoneConnectionTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    StartServer();
  }
  static ZoneLoginFields Fields(std::string name, std::int32_t id = 1) {
    ZoneLoginFields f;
    f.name = std::move(name);
    f.server_id = f.group_id = f.score_id = id;
    return f;
  }
  static std::string Ack(std::int32_t sequence) {
    return std::string("\x00\x04", 2) + Int32ToBytes(sequence);
  }
  const std::string kDisconnect{"\x00\x07", 2};
};

TEST_F(ZoneConnectionTest, ConnectRequestIsEchoedAndOtherPacketsRefused) {
  auto zone = NewZone();
  zone->SendRaw(Hex("00 01 de ad be ef 01 00"));
  EXPECT_EQ(zone->Receive(), Hex("00 02 de ad be ef"));
  zone->SendRaw(Hex("00 01 01 00"));
  EXPECT_EQ(zone->Receive(), Hex("00 02 01 00"));
  zone->SendRaw(Hex("00 05 00"));
  EXPECT_EQ(zone->Receive(), kDisconnect);
}

TEST_F(ZoneConnectionTest, NewZoneLogsInIsRegisteredAndGetsEmptyFiles) {
  auto zone = NewZone();
  EXPECT_EQ(zone->LogIn(Fields("Alpha", 7)), Ack(0));
  ASSERT_TRUE(
      server_->WaitForOutput("Alpha Loaded: 0 User Database records "
                             "0 Squad Database records 0 Score "
                             "Database records"))
      << Output();
  EXPECT_NE(Output().find("Connection request from 127.0.0.1:5000\n"),
            std::string::npos);
  EXPECT_NE(
      Output().find("Alpha(ServerID:7 GroupID:7 ScoreID:7) Unregistered "
                    "zone: Valid biller password. Zone added and logged in"),
      std::string::npos);
  EXPECT_NE(ReadFile(File("Tallyhall.ini")).find("\r\nAlpha=ledgerkite\r\n"),
            std::string::npos);
  for (const char* name : {"User.7", "Squad.7", "Score.7"}) {
    EXPECT_TRUE(FileExists(File(name))) << name;
    EXPECT_EQ(ReadFile(File(name)), "") << name;
  }
}

TEST_F(ZoneConnectionTest, WrongAndWrongCasePasswordsAreRefused) {
  auto zone = NewZone();
  ZoneLoginFields f = Fields("Beta");
  f.password = "LEDGERKITE";
  EXPECT_EQ(zone->LogIn(f), kDisconnect);
  f.password = "nope";
  EXPECT_EQ(zone->LogIn(f), kDisconnect);
  EXPECT_TRUE(
      server_->WaitForOutput("Unregistered zone. Invalid biller "
                             "password. Zone booted"));
  EXPECT_FALSE(FileExists(File("User.1")));
}

TEST_F(ZoneConnectionTest,
       ConnectedZoneMessagesAreAcknowledgedAndUnknownOnesRecorded) {
  auto zone = NewZone();
  ASSERT_EQ(zone->LogIn(Fields("Gamma")), Ack(0));
  zone->SendReliable(Hex("30 01 02"));
  EXPECT_EQ(zone->Receive(), Ack(1));
  zone->SendRaw(Hex("00 0e 01 02 03 04"));
  EXPECT_EQ(zone->Receive(), Hex("00 04 01 02 03 04"));
  ASSERT_TRUE(
      server_->WaitForOutput("Gamma(ServerID:1 GroupID:1 ScoreID:1) "
                             "Unrecognized connection event 14"));
  EXPECT_NE(Output().find("Gamma(ServerID:1 GroupID:1 ScoreID:1) Unknown user "
                          "event 48"),
            std::string::npos);
  EXPECT_TRUE(WaitForFileEnding("unknownuserevent.48",
                                Hex("00 03 01 00 00 00 30 01 02") + "\r\n"));
  EXPECT_TRUE(WaitForFileEnding("unknownconnectionevent.14",
                                Hex("00 0e 01 02 03 04") + "\r\n"));
}

TEST_F(ZoneConnectionTest, LogoffWritesFilesAndAnswersDisconnect) {
  auto zone = NewZone();
  ASSERT_EQ(zone->LogIn(Fields("Delta", 4)), Ack(0));
  std::filesystem::remove(File("Score.4"));
  zone->SendRaw(kDisconnect);
  EXPECT_EQ(zone->Receive(), kDisconnect);
  ASSERT_TRUE(server_->WaitForOutput("Delta Written: 0 User Database records"));
  EXPECT_NE(Output().find("Disconnecting 127.0.0.1:5000\n"), std::string::npos);
  EXPECT_NE(Output().find("Delta(ServerID:4 GroupID:4 ScoreID:4) Game server "
                          "logging off"),
            std::string::npos);
  EXPECT_TRUE(FileExists(File("Score.4")));
  // Forgotten: a message is now read as a new login.
  zone->SendReliable(Hex("05"));
  EXPECT_EQ(zone->Receive(), kDisconnect);
}

TEST_F(ZoneConnectionTest, NewZonesBlockedRefusesUnregisteredZone) {
  server_->Stop(SIGTERM);
  SetSetting("AllowNewZones=1", "AllowNewZones=0");
  StartServer();
  auto zone = NewZone();
  EXPECT_EQ(zone->LogIn(Fields("Eps")), kDisconnect);
  EXPECT_TRUE(
      server_->WaitForOutput("Eps(ServerID:1 GroupID:1 ScoreID:1) "
                             "Unregistered zone. New zones are "
                             "blocked. Zone booted"));
}

TEST_F(ZoneConnectionTest, SigtermDisconnectsEveryZoneAndWritesTheirFiles) {
  auto one = NewZone();
  auto two = NewZone();
  ASSERT_EQ(one->LogIn(Fields("One", 1)), Ack(0));
  ASSERT_EQ(two->LogIn(Fields("Two", 2)), Ack(0));
  ASSERT_TRUE(server_->WaitForOutput("Two Loaded:"));
  std::filesystem::remove(File("User.1"));
  std::filesystem::remove(File("User.2"));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(one->Receive(), kDisconnect);
  EXPECT_EQ(two->Receive(), kDisconnect);
  EXPECT_TRUE(FileExists(File("User.1")));
  EXPECT_TRUE(FileExists(File("User.2")));
  const std::string output = Output();
  EXPECT_LT(output.find("One Written:"), output.find("Two Written:"));
}

TEST_F(ZoneConnectionTest, ShutdownThatCouldNotSaveAZoneExitsWithTwo) {
  auto one = NewZone();
  auto two = NewZone();
  ASSERT_EQ(one->LogIn(Fields("One", 1)), Ack(0));
  ASSERT_EQ(two->LogIn(Fields("Two", 2)), Ack(0));
  ASSERT_TRUE(server_->WaitForOutput("Two Loaded:"));
  // A new player changes zone Two's Score Database, so the save writes it.
  Exchange(*two, PlayerLogin("Ann", 1, /*confirmed=*/true));
  // A folder in the temporary file's place fails the save, even for root.
  std::filesystem::create_directory(File("Score.2.tmp"));
  EXPECT_EQ(server_->Stop(SIGTERM), 2);
  EXPECT_EQ(two->Receive(), kDisconnect);
  const std::string output = Output();
  EXPECT_NE(output.find("One Written:"), std::string::npos);
  EXPECT_NE(output.find(" Databases not saved at shutdown: Score.2, User.2\n"),
            std::string::npos)
      << output;
}

}  // namespace
}  // namespace tallyhall
