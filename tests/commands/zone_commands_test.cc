// ?zonelist, ?zoneplayers and the SysOp's control of zones: listings and
// their pages, the control messages byte for byte and the order of terminal
// line, reply and message.
#include "commands/zone_commands.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

class ZoneCommandsTest : public CoreTest {
 protected:
  void SetUp() override {
    LoginZone(1, "Main");
    LoginZone(2, "Second");
    AddPresentPlayer(1, "Ann", 5).IsSysOp = -1;
    TakeLines();
  }
  // In order: "log: " + terminal line, "to <n>: " + reliable datagram.
  Lines EventsOf(std::string_view text) {
    Lines events;
    auto log = [&] {
      for (const std::string& line : TakeLines())
        events.push_back("log: " + line);
    };
    transport_.on_send = [&](const SentDatagram& sent) {
      log();
      if (DecodeReliable(sent.bytes)) {
        events.push_back("to " + std::to_string(sent.to.port - 40000) + ": " +
                         sent.bytes);
      }
    };
    Type(1, 5, text);
    log();
    transport_.on_send = nullptr;
    transport_.sent.clear();
    return events;
  }
};

TEST_F(ZoneCommandsTest, ZoneListShowsAddressPortAndMscOnlyToSysOp) {
  const std::string ids =
      " User Database ID:1 Squad Database ID:1 Score "
      "Database ID:1";
  // The own zone's MSC is the sequence number of the line's own message.
  EXPECT_EQ(EventsOf("?zonelist 1")[1],
            "to 1: " + Hex("00 03 01 00 00 00 09 05 00 00 00") +
                "1. Main 127.0.0.1:5000 MSC:1" + ids + " [1 players]" +
                std::string(1, '\0'));
  Zone(1).Players[0].IsSysOp = 0;
  for (int n = 3; n <= 10; ++n) LoginZone(n, "Z");
  const Lines lines = Ask(1, 5, "?zonelist");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Tallyhall Network (10 game servers)");
  EXPECT_EQ(lines[2], " 2. Second" + ids + " [0 players]");
  EXPECT_EQ(lines[10], "10. Z" + ids + " [0 players]");
  EXPECT_EQ(Ask(1, 5, "?zonelist 2"),
            (Lines{"Tallyhall Network (10 game servers)", "Page 2"}));
}

TEST_F(ZoneCommandsTest, ZonePlayersPagesThreeNamesALine) {
  for (int i = 2; i <= 45; ++i) AddPresentPlayer(1, "P" + std::to_string(i), i);
  for (int i = 1; i <= 4; ++i) AddPresentPlayer(2, "Q" + std::to_string(i), i);
  const std::string main =
      "Main (45 players) (User Database ID:1 Squad "
      "Database ID:1 Score Database ID:1)";
  const std::string second =
      "Second (4 players) (User Database ID:1 Squad "
      "Database ID:1 Score Database ID:1)";
  const std::string p41 =
      "P41                      P42                      P43";
  const struct {
    std::string_view command;
    Lines expected;
  } kCases[] = {
      {"?zoneplayers 1 2",
       {main, p41, "P44                      P45", "Page 2"}},
      {"?zoneplayers  2",
       {second, "Q1                       Q2                       Q3", "Q4",
        "Page 1"}},
      {"?zoneplayers 2 -1", {second, "Page -1"}},
      {"?zoneplayers word 2", {"ZoneID is out of bounds"}},
      {"?zoneplayers 3", {"ZoneID is out of bounds"}},
  };
  for (const auto& c : kCases) EXPECT_EQ(Ask(1, 5, c.command), c.expected);
  // Alone or with a word that is no number: the own zone, page 1, whose
  // last line starts at player 40 and reaches player 42.
  for (std::string_view command : {"?zoneplayers", "?zoneplayers word"}) {
    const Lines page = Ask(1, 5, command);
    ASSERT_EQ(page.size(), 16u) << command;
    EXPECT_EQ(page[1], "Ann                      P2                       P3");
    EXPECT_EQ(page[14],
              "P40                      P41                      P42");
  }
}

TEST_F(ZoneCommandsTest, ControlCommandsLogReplyAndSendInTheirOwnOrder) {
  const std::string log = "log: Second(ServerID:1 GroupID:1 ScoreID:1) ";
  auto to = [](int zone, std::string_view hex, std::string_view text = "") {
    return "to " + std::to_string(zone) + ": " + Hex(hex) + std::string(text) +
           (text.empty() ? "" : std::string(1, '\0'));
  };
  const std::string reply = "09 05 00 00 00";
  const std::string tail = "00 01 00 00 00 02 00 00 00";
  const struct {
    std::string_view command;
    Lines expected;
  } kCases[] = {
      {"?zonerecycle 2",
       {log + "Recycled by Ann(Biller SysOp)",
        to(1, "00 03 00 00 00 00" + reply, "Second recycled."),
        to(2, "00 03 00 00 00 00 04" + tail)}},
      {"?zonereset2",
       {log + "Recycled and Reset by Ann(Biller SysOp)",
        to(1, "00 03 01 00 00 00" + reply, "Second recycled and reset."),
        to(2, "00 03 01 00 00 00 04" + tail)}},
      {"?zoneclose 1",
       {to(1, "00 03 02 00 00 00" + reply, "Main shutdown."),
        "log: Main(ServerID:1 GroupID:1 ScoreID:1) Shutdown by Ann(Biller "
        "SysOp)",
        to(1, "00 03 03 00 00 00 02" + tail)}},
      {"?zoneclose x",
       {to(1, "00 03 04 00 00 00" + reply, "ZoneID is out of bounds")}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(EventsOf(c.command), c.expected) << c.command;
  }
  Zone(1).Players[0].IsSysOp = 0;
  for (std::string_view command :
       {"?zonerecycle 2", "?zonereset 2", "?zoneclose 2"}) {
    EXPECT_EQ(EventsOf(command), Lines{}) << command;
  }
}

TEST_F(ZoneCommandsTest, ZoneResetZeroesTheScoresItsUsersNameOnly) {
  ZoneDatabases& target = Zone(2).databases;
  const std::string scored = Hex("05 00 02 00 03 00 64 00 00 00 c8 00 00 00");
  for (std::int32_t mac = 1; mac <= 3; ++mac) {
    target.users.AddUser(target.scores, "U", "", Int32ToBytes(mac), {});
    target.scores.PutScoreRecord(mac, scored);
  }
  // User 2 names a record beyond the database; nobody names record 2.
  target.users.SetUserField(2, UserField::kScoreID, Int32ToBytes(99));
  Ask(1, 5, "?zonereset 2");
  EXPECT_EQ(target.scores.bytes(),
            std::string(14, '\0') + scored + std::string(14, '\0'));
}

}  // namespace
}  // namespace tallyhall
