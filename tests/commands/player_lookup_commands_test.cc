// ?find (for players and for a SysOp) across zones; ?username, ?info,
// ?infopage, ?infodump, ?alias, ?aliaspage and ?aliasx2: levels, exact
// replies, paging edges and the alias texts on small hand-made databases.
#include "commands/player_lookup_commands.h"

#include <gtest/gtest.h>

#include <span>

#include "db/encoding.h"
#include "shell/server_events.h"
#include "support/chat_fixture.h"
#include "support/core_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

const LocalTime kNow{.year = 2026, .month = 12, .day = 7};

// What the operator types and the replies he gets.
struct Exchange {
  std::string_view text;
  Lines replies;
};

struct Record {
  std::string name;
  std::int32_t mac;
  std::int32_t ip;
};

// Zone 1 with an operator, Op (PlayerID 5), who holds no level until a test
// gives him one, and a User Database the test fills by hand.
class PlayerLookupCommandsTest : public CoreTest {
 protected:
  void SetUp() override {
    LoginZone(1, "Main");
    AddPresentPlayer(1, "Op", 5);
    TakeLines();
  }
  ZonePlayer& Op() { return Zone(1).Players[0]; }
  UserDatabase& Users() { return Zone(1).databases.users; }
  Lines OpTypes(std::string_view text) { return Ask(1, 5, text); }
  // IPs are 10.0.0.ip.
  std::int32_t Add(std::string_view name, std::int32_t mac, int ip = 1) {
    return Users().AddUser(
        Zone(1).databases.scores, name,
        Hex("0a 00 00") + std::string(1, static_cast<char>(ip)),
        Int32ToBytes(mac), kNow);
  }
  void AddAll(const std::vector<Record>& records) {
    for (const Record& r : records) Add(r.name, r.mac, r.ip);
  }
  void ExpectReplies(std::span<const Exchange> cases) {
    for (const Exchange& c : cases) {
      EXPECT_EQ(OpTypes(c.text), c.replies) << c.text;
    }
  }
  void Levels(bool account, bool sys) {
    Op().IsAccountOp = account ? -1 : 0;
    Op().IsSysOp = sys ? -1 : 0;
  }
};

// ?find looks through every zone: zone 1 "Main" holds Ann (PlayerID 5),
// zone 2 is "Side".
using FindTest = ChatFixture;

const std::string kNotFound = "Not found on Tallyhall network";

TEST_F(FindTest, FindForPlayersMatchesNamesOnly) {
  Add(1, "", 9);
  Add(2, "BobTheVeryLongNameOfAll1", 6);
  const std::string bob = "BobTheVeryLongNameOfAll1 - Side";
  Type(1, 5, "?find");
  Type(1, 5, "?find  bOb");
  Type(1, 5, "?find obTheVeryLongNameOfAll1xyz");  // cut to 23 letters
  Type(1, 5, "?find zed");
  Type(1, 5, "?find" + std::string(24, ' ') + "zed");  // the key is all blanks
  EXPECT_EQ(RepliesTo(1, 5),
            (Lines{"Ann - Main", bob, bob, bob, kNotFound, "Ann - Main", bob}));
}

TEST_F(FindTest, FindForSysOpMatchesMacIdIpOrName) {
  Ann().IsSysOp = -1;
  Ann().MacID = 77;
  Ann().IP = BytesToInt32(Hex("0a 01 02 03"));
  Add(2, "Bob", 6, "", 0, "c0 a8 00 01");
  Add(2, "Cat", 7, "", 1234, "0a 0a 00 05");
  const std::string ann = "Ann (77) [10.1.2.3] - Main";
  const std::string bob = "Bob (0) [192.168.0.1] - Side";
  const std::string cat = "Cat (1234) [10.10.0.5] - Side";
  Type(1, 5, "?find ANN");  // reads as MacID 0 too
  Type(1, 5, "?find 10.1");
  Type(1, 5, "?find 1234");
  Type(1, 5, "?find 99999999999");  // overflows: reads as MacID 0
  EXPECT_EQ(RepliesTo(1, 5), (Lines{ann, bob, ann, cat, cat, bob}));
  EXPECT_EQ(TakeLines(), Lines{"Overflow 6"});
}

TEST_F(PlayerLookupCommandsTest, EachCommandAnswersOnlyWithItsOwnLevel) {
  Add("Ann", 7);
  Add("Bob", 7);
  const struct {
    std::string_view text;
    bool account;  // AccountOp, else SysOp
  } cases[] = {{"?username 1", true},      {"?info ann", false},
               {"?infopage 1 ann", false}, {"?infodump", false},
               {"?alias 7", false},        {"?aliaspage 7", false},
               {"?aliasx2", false}};
  for (const auto& c : cases) {
    Op().IsMessageOp = 0;
    Levels(false, false);
    EXPECT_TRUE(OpTypes(c.text).empty()) << c.text;
    Op().IsMessageOp = -1;
    Levels(!c.account, c.account);  // the other levels only
    EXPECT_TRUE(OpTypes(c.text).empty()) << c.text;
    Levels(c.account, !c.account);
    EXPECT_FALSE(OpTypes(c.text).empty()) << c.text;
  }
}

TEST_F(PlayerLookupCommandsTest, UsernameShowsOrRewritesTheStoredName) {
  Add("Ann", 7);
  Add("Bob", 9);
  Levels(true, false);
  const std::string updated = "Player name updated to User Database.";
  const std::string out = "UserID is out of bounds";
  const struct {
    std::string text;
    std::string reply;
    std::string name_after;  // of record 2
  } cases[] = {
      {"?username   2", "2. Bob", "Bob"},
      {"?username 0", out, "Bob"},
      {"?username 3:x", out, "Bob"},
      {"?username bob:x", out, "Bob"},
      {"?username 2.4:Cy", updated, "Cy"},
      {"?username 2:New Name:x", updated, "New Name:x"},
      {"?username 2:", updated, ""},
      {"?username 2:" + std::string(30, 'z'), updated, std::string(24, 'z')},
  };
  for (const auto& c : cases) {
    Users().SetUserField(2, UserField::kName, "Bob");
    EXPECT_EQ(OpTypes(c.text), Lines{c.reply}) << c.text;
    EXPECT_EQ(TrimAtNul(Users().GetUserField(2, UserField::kName)),
              c.name_after)
        << c.text;
  }
  EXPECT_EQ(OpTypes("?username 99999999999:x"), Lines{out});
  EXPECT_EQ(TakeLines(), Lines{"Overflow 6"});
}

TEST_F(PlayerLookupCommandsTest,
       RenamedRecordIsFoundByItsNewNameOnlyAndPlayerKeepsHis) {
  LoginPlayer(1, "Bob", 8, 9);
  Levels(true, true);
  OpTypes("?username 1:Robert");
  EXPECT_EQ(Users().FindUser("robert", Int32ToBytes(9)), 1);
  EXPECT_EQ(Users().FindUser("Bob", Int32ToBytes(9)), 0);
  EXPECT_EQ(Zone(1).Players[1].PlayerName, "Bob");
  EXPECT_EQ(OpTypes("?info bob"), Lines{});
}

TEST_F(PlayerLookupCommandsTest,
       InfoListsEveryRecordWithTheWholeNameInAnyCase) {
  Zone(1).databases.squads.AppendSquad("Reds", "", 1);
  Add("Ann", -3, 200);
  Users().SetUserField(1, UserField::kSquadID, Int32ToBytes(1));
  Add("bob", 9);
  Add("ANN", 4);
  Users().SetUserField(3, UserField::kSquadID, Int32ToBytes(9));  // no squad
  Levels(false, true);
  const std::string ann =
      "1. Ann Squad:Reds LastDatePlayed:7-12-2026 IP:10.0.0.200 MacID:-3";
  const std::string big_ann =
      "3. ANN Squad: LastDatePlayed:7-12-2026 IP:10.0.0.1 MacID:4";
  const Lines info_format = {"Format: ?info (name)"};
  const Lines page_format = {"Format: ?infopage (page) (name)"};
  const Exchange cases[] = {
      {"?info   aNN", {ann, big_ann}},
      {"?info an", {}},
      {"?info ann ", {}},
      {"?info", info_format},
      {"?info   ", info_format},
      {"?infopage 1    ANN", {ann, big_ann, "Page 1"}},
      {"?infopage 2", page_format},
      {"?infopage ", page_format},
      {"?infopage x bob",
       {"2. bob Squad: LastDatePlayed:7-12-2026 IP:10.0.0.1 MacID:9",
        "Page 1"}},
  };
  ExpectReplies(cases);
}

TEST_F(PlayerLookupCommandsTest, InfoPageHolds39RecordsOnPageOneAnd40Later) {
  // 45 "Dup" in mixed case at the even UserIDs, others between them.
  for (int i = 1; i <= 45; ++i) {
    Add("Other", i);
    Add(i % 2 ? "DUP" : "dup", i);
  }
  Levels(false, true);
  Lines page = OpTypes("?infopage 0 dup");
  ASSERT_EQ(page.size(), 40u);
  EXPECT_TRUE(page[38].starts_with("78. DUP ")) << page[38];
  EXPECT_EQ(page[39], "Page 1");
  page = OpTypes("?infopage 2 dup");
  ASSERT_EQ(page.size(), 7u);
  EXPECT_TRUE(page[0].starts_with("80. dup ")) << page[0];
  EXPECT_EQ(OpTypes("?infopage 3 dup"), Lines{"Page 3"});
  EXPECT_EQ(OpTypes("?infopage -1 dup"), Lines{"Page -1"});
}

TEST_F(PlayerLookupCommandsTest, InfoDumpAlignsUserIdsOnTheRight) {
  for (int i = 1; i <= 120; ++i) Add("P" + DecimalText(i), i);
  Levels(false, true);
  Lines page = OpTypes("?infodump");
  ASSERT_EQ(page.size(), 41u);
  EXPECT_EQ(page[0],
            "  1. P1 Squad: LastDatePlayed:7-12-2026 IP:10.0.0.1 MacID:1");
  EXPECT_TRUE(page[8].starts_with("  9. P9 "));
  EXPECT_TRUE(page[9].starts_with(" 10. P10 "));
  EXPECT_TRUE(page[39].starts_with(" 40. P40 "));
  EXPECT_EQ(page[40], "Page 1");
  page = OpTypes("?infodump 3");
  ASSERT_EQ(page.size(), 41u);
  EXPECT_TRUE(page[19].starts_with("100. P100 "));
  EXPECT_EQ(OpTypes("?infodump 4"), Lines{"Page 4"});
  EXPECT_EQ(OpTypes("?infodump -1"), Lines{"Page -1"});
}

TEST_F(PlayerLookupCommandsTest, AliasAndAliasPageListTheNamesOfOneMacId) {
  AddAll({{"Ann", 7, 1}, {"Bob", 9, 1}, {"Cy", 7, 2}, {"Dee", -3, 3}});
  Levels(false, true);
  const Lines none = {"Player has not used any other aliases."};
  const std::string ann_cy = "Aliases of 7: Ann, Cy";
  const Exchange cases[] = {
      {"?alias 7", {ann_cy}},
      {"?alias -3", {"Aliases of -3: Dee"}},
      {"?alias x", none},  // MacID 0
      {"?aliaspage 7", {ann_cy, "Page 1"}},
      {"?aliaspage   0 7", {ann_cy, "Page 1"}},
      {"?aliaspage 2 7", {"Page 2"}},
      {"?aliaspage -1 7", {"Page -1"}},
      {"?aliaspage 1 99", none},
      {"?aliaspage x", {"Format: ?aliaspage (page) (macid)"}},
  };
  ExpectReplies(cases);
}

TEST_F(PlayerLookupCommandsTest,
       AliasTextsGoOutInPiecesOf70AndPagesOf40Pieces) {
  Levels(false, true);
  // "Aliases of 7: " + six names of 21 joined by ", ": 150 characters.
  std::string text = "Aliases of 7: ";
  for (char c = 'a'; c < 'g'; ++c) {
    Add(std::string(21, c), 7);
    text += std::string(21, c) + (c < 'f' ? ", " : "");
  }
  ASSERT_EQ(text.size(), 150u);
  Lines pieces = {text.substr(0, 70), text.substr(70, 70), text.substr(140)};
  EXPECT_EQ(OpTypes("?alias 7"), pieces);
  pieces.push_back("Page 1");
  EXPECT_EQ(OpTypes("?aliaspage 7"), pieces);

  // "Aliases of 8: " + 107 names of 24 and one of 4: 2800 characters, one
  // full page; a fifth character in the last name opens page 2.
  for (int i = 0; i < 107; ++i) Add(std::string(24, 'x'), 8);
  const std::int32_t last = Add("1234", 8);
  const Lines page = OpTypes("?aliaspage 1 8");
  ASSERT_EQ(page.size(), 41u);
  EXPECT_TRUE(page[39].ends_with("x, 1234")) << page[39];
  EXPECT_EQ(OpTypes("?aliaspage 2 8"), Lines{"Page 2"});
  Users().SetUserField(last, UserField::kName, "12345");
  EXPECT_EQ(OpTypes("?aliaspage 2 8"), (Lines{"5", "Page 2"}));
}

TEST_F(PlayerLookupCommandsTest,
       AliasX2ListsGroupsSkippingNamesTheTextContains) {
  Levels(false, true);
  const std::string head = "Players with more than 1 alias: ";
  const std::string none =
      "There are no players that have used more than 1 alias.";
  const struct {
    std::vector<Record> records;
    std::string groups;  // empty: none
  } cases[] = {
      {{{"Ann", 1, 1}, {"Bob", 2, 2}}, ""},
      {{{"Ann", 7, 1}, {"Bob", 9, 2}, {"Cy", 7, 3}}, "<Ann><Cy>"},
      // A shared IP; MacID and IP both shared count once.
      {{{"Ann", 1, 5}, {"Bob", 2, 5}, {"Cy", 1, 5}}, "<Ann><Bob><Cy>"},
      // Ann is inside the listed Annabel, ann is not (case counts); "l><Z"
      // and "d>,<a" occur only across the delimiters.
      {{{"Annabel", 1, 1},
        {"Zed", 1, 2},
        {"Ann", 5, 3},
        {"Bo", 5, 4},
        {"ann", 6, 5},
        {"Cy", 6, 6},
        {"l><Z", 3, 7},
        {"Dee", 3, 8},
        {"d>,<a", 4, 9},
        {"Fay", 4, 10}},
       "<Annabel><Zed>,<ann><Cy>"},
  };
  for (const auto& c : cases) {
    Users().Assign("", 0);
    AddAll(c.records);
    const Lines expected =
        c.groups.empty() ? Lines{none} : Lines{head + c.groups, "Page 1"};
    EXPECT_EQ(OpTypes("?aliasx2"), expected) << c.groups;
  }
  EXPECT_EQ(OpTypes("?aliasx2 2"), Lines{"Page 2"});
}

// "?aliasx2 (page)" replies for the listing `groups`.
Lines AliasX2Page(const std::string& groups, std::int32_t page) {
  const std::string text = "Players with more than 1 alias: " + groups;
  Lines lines;
  for (std::size_t at = static_cast<std::size_t>(page - 1) * 40 * 70;
       at < text.size() && lines.size() < 40; at += 70) {
    lines.push_back(text.substr(at, 70));
  }
  lines.push_back("Page " + std::to_string(page));
  return lines;
}

// A large database is listed between datagrams, over the records as they
// were when the command came: changes made meanwhile by another player do
// not reach the answer, answers leave in the order the commands came, and a
// caller who leaves first gets nothing, nor does his PlayerID's next holder.
TEST_F(PlayerLookupCommandsTest, AliasX2OnALargeDatabaseAnswersAsAtItsArrival) {
  Levels(true, true);
  AddPresentPlayer(1, "Other", 6).IsSysOp = -1;
  for (int i = 0; i < 12000; ++i) {
    Add("N" + std::to_string(i % 5000), i / 3, i % 200);
  }
  const UserDatabase at_first = Users();
  EXPECT_TRUE(OpTypes("?aliasx2").empty());
  EXPECT_TRUE(OpTypes("?aliasx2 2").empty());
  EXPECT_TRUE(Ask(1, 6, "?aliasx2").empty());
  EXPECT_TRUE(DoPendingWork(core_, 5000));
  EXPECT_EQ(OpTypes("?username 2:N1x"),
            Lines{"Player name updated to User Database."});
  Add("N1y", 1, 1);
  EXPECT_TRUE(OpTypes("?aliasx2 3").empty());
  ReceiveReliable(ZoneAddress(1), PlayerLogoffMessage(6, 0));
  AddPresentPlayer(1, "Next", 6);
  while (DoPendingWork(core_, 5000)) {
  }
  const std::string first = at_first.ListAliasGroups();
  const std::string changed = Users().ListAliasGroups();
  ASSERT_NE(first, changed);
  Lines expected = AliasX2Page(first, 1);
  for (const Lines& more : {AliasX2Page(first, 2), AliasX2Page(changed, 3)}) {
    expected.insert(expected.end(), more.begin(), more.end());
  }
  EXPECT_EQ(RepliesTo(1, 5), expected);
  EXPECT_TRUE(RepliesTo(1, 6).empty());
}

}  // namespace
}  // namespace tallyhall
