// ?zonelist, ?zoneplayers and the SysOp's control of zones: listings and
// their pages, the control messages byte for byte and the order of terminal
// line, reply and message.
#include "commands/zone_commands.h"

#include <gtest/gtest.h>

#include <limits>

#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

// Ann, a SysOp, in zone 1; zone 2 is "Second".
class ZoneCommandsTest : public OnePlayerTest {
 protected:
  void SetUp() override {
    OnePlayerTest::SetUp();
    LoginZone(2, "Second");
    Ann().IsSysOp = -1;
    TakeLines();
  }
  // In order: "log: " + terminal line, "<n>: " + reliable datagram to zone n.
  Lines EventsOf(std::string_view text) {
    Lines events;
    auto log = [&] {
      for (auto& line : TakeLines()) events.push_back("log: " + line);
    };
    transport_.on_send = [&](const SentDatagram& sent) {
      log();
      if (sent.bytes[1] != 3) return;  // acknowledgements
      events.push_back(std::to_string(sent.to.port - 40000) + ": " +
                       sent.bytes);
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
      " User Database ID:1 Squad Database ID:1 Score Database ID:1";
  // The own zone's MSC is the sequence number of the line's own message.
  EXPECT_EQ(EventsOf("?zonelist 1")[1],
            "1: " + Hex("00 03 01 00 00 00 09 05 00 00 00") +
                "1. Main 127.0.0.1:5000 MSC:1" + ids + " [1 players]" +
                std::string(1, '\0'));
  Zone(1).Players[0].IsSysOp = 0;
  for (int n = 3; n <= 10; ++n) LoginZone(n, "Z");
  const Lines lines = Ask(1, 5, "?zonelist");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Tallyhall Network (10 game servers)");
  EXPECT_EQ(lines[2], " 2. Second" + ids + " [0 players]");
  EXPECT_EQ(lines[10], "10. Z" + ids + " [0 players]");
}

TEST_F(ZoneCommandsTest, ZonePlayersPagesThreeNamesALine) {
  for (int i = 2; i <= 45; ++i) AddPresentPlayer(1, "P" + std::to_string(i), i);
  for (int i = 1; i <= 4; ++i) AddPresentPlayer(2, "Q" + std::to_string(i), i);
  const std::string ids =
      "(User Database ID:1 Squad Database ID:1 Score Database ID:1)";
  const std::string gap(22, ' ');  // names fill columns of 25
  const struct {
    std::string_view command;
    Lines expected;
  } kCases[] = {
      {"?zoneplayers 1 2",
       {"Main (45 players) " + ids, "P41" + gap + "P42" + gap + "P43",
        "P44" + gap + "P45", "Page 2"}},
      {"?zoneplayers  2",
       {"Second (4 players) " + ids, "Q1 " + gap + "Q2 " + gap + "Q3", "Q4",
        "Page 1"}},
      {"?zoneplayers 2 -1", {"Second (4 players) " + ids, "Page -1"}},
      {"?zoneplayers word 2", {"ZoneID is out of bounds"}},
      {"?zoneplayers 3", {"ZoneID is out of bounds"}},
  };
  for (const auto& c : kCases) EXPECT_EQ(Ask(1, 5, c.command), c.expected);
  // A word that is no number: the own zone, page 1, whose last line starts
  // at player 40 and reaches player 42.
  const Lines page = Ask(1, 5, "?zoneplayers word");
  ASSERT_EQ(page.size(), 16u);
  EXPECT_EQ(page[14], "P40" + gap + "P41" + gap + "P42");
}

TEST_F(ZoneCommandsTest, ControlCommandsLogReplyAndSendInTheirOwnOrder) {
  const std::string second = "log: Second(ServerID:1 GroupID:1 ScoreID:1) ";
  // Framing, sequence, then message 09 to Ann or a control message.
  auto to = [](std::string_view zone, std::string_view hex,
               std::string_view text = "") {
    return std::string(zone) + ": " + Hex(hex) + std::string(text) +
           std::string(text.empty() ? 0 : 1, '\0');
  };
  const std::string ann = " 09 05 00 00 00";
  const std::string tail = " 00 01 00 00 00 02 00 00 00";
  const struct {
    std::string_view command;
    Lines expected;
  } kCases[] = {
      {"?zonerecycle 2",
       {second + "Recycled by Ann(Biller SysOp)",
        to("1", "00 03 00 00 00 00" + ann, "Second recycled."),
        to("2", "00 03 00 00 00 00 04" + tail)}},
      {"?zonereset2",
       {second + "Recycled and Reset by Ann(Biller SysOp)",
        to("1", "00 03 01 00 00 00" + ann, "Second recycled and reset."),
        to("2", "00 03 01 00 00 00 04" + tail)}},
      {"?zoneclose 1",
       {to("1", "00 03 02 00 00 00" + ann, "Main shutdown."),
        "log: Main(ServerID:1 GroupID:1 ScoreID:1) Shutdown by Ann(Biller "
        "SysOp)",
        to("1", "00 03 03 00 00 00 02" + tail)}},
      {"?zoneclose x",
       {to("1", "00 03 04 00 00 00" + ann, "ZoneID is out of bounds")}},
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

TEST_F(ZoneCommandsTest, ZoneResetZeroesEveryScoreItsUsersName) {
  ZoneDatabases& target = Zone(2).databases;
  const std::string scored = Hex("05 00 02 00 03 00 64 00 00 00 c8 00 00 00");
  for (std::int32_t mac = 1; mac <= 4; ++mac) {
    target.users.AddUser(target.scores, "U", "", Int32ToBytes(mac), {});
    target.scores.PutScoreRecord(mac, scored);
  }
  // User 2 names a record the database cannot grow to: one failure line,
  // and the reset goes on. User 3 names a record beyond the database, which
  // grows up to it; user 4 names nothing. Records 2 to 4 keep their scores.
  auto score_id = [&](std::int32_t user, std::int32_t id) {
    target.users.SetUserField(user, UserField::kScoreID, Int32ToBytes(id));
  };
  score_id(2, std::numeric_limits<std::int32_t>::max());
  score_id(3, 99);
  score_id(4, -5);
  const Lines events = EventsOf("?zonereset 2");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], "log: Out of memory 7");
  EXPECT_TRUE(events[3].starts_with("2: ")) << events[3];
  std::string expected = std::string(14, '\0');
  for (int i = 0; i < 3; ++i) expected += scored;
  expected.append(95 * 14, '\0');
  EXPECT_EQ(target.scores.bytes(), expected);
}

}  // namespace
}  // namespace tallyhall
