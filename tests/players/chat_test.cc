// Arena messages, channel routing and player text.
#include "players/chat.h"

#include <gtest/gtest.h>

#include "db/encoding.h"
#include "support/chat_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

class ChatTest : public ChatFixture {
 protected:
  // Messages sent to zone `n`, acknowledgements left out.
  Lines Messages(int n) {
    Lines messages;
    for (const std::string& datagram : TakeSent(ZoneAddress(n))) {
      if (auto m = DecodeReliable(datagram)) messages.push_back(m->message);
    }
    return messages;
  }
  void Arena(std::int32_t id, std::string_view text) {
    std::string message = ArenaMessage(id, text);
    message.replace(5, 6, 6, 'x');  // bytes the biller never reads
    ReceiveReliable(ZoneAddress(1), message);
  }
  static std::string Broadcast(std::string_view text) {
    return Hex("03 b8 0b 00 00 02 00") + std::string(text) + '\0';
  }
  // A channel line of Ann's; type 14 takes the same path as 0E.
  void SendLine(char digit, std::string_view text, char type = '\x0E') {
    std::string message = ChannelMessage(5, digit, text);
    message[0] = type;
    ReceiveReliable(ZoneAddress(1), message);
  }
  static std::string Channel(int number, std::int32_t to,
                             std::string_view text) {
    return "\x0A" + Int32ToBytes(to) + static_cast<char>(number) + "Ann> " +
           std::string(text);
  }
};

TEST_F(ChatTest, ArenaFromZoneItselfIgnoresLockAndReachesEveryZone) {
  const std::string text("hi\0x", 4);
  Arena(-1, text);
  ReceiveReliable(ZoneAddress(1), Hex("07 ff ff ff ff"));  // no text at all
  const Lines expected{Broadcast(text), Broadcast("")};
  EXPECT_EQ(Messages(1), expected);
  EXPECT_EQ(Messages(2), expected);
}

TEST_F(ChatTest, ArenaFromPlayerFollowsLockAndMessageOp) {
  for (std::string_view lock : {"0", "abc", "", "0.5", "1", "0.6", "1e999"}) {
    ASSERT_TRUE(
        core_.settings_file().WriteSetting("Misc", "ZonecastLock", lock).ok());
    Arena(5, "a");
    const bool locked = lock == "1" || lock == "0.6" || lock == "1e999";
    EXPECT_EQ(Messages(2), locked ? Lines{} : Lines{Broadcast("a")}) << lock;
    EXPECT_EQ(Messages(1), locked ? Lines{} : Lines{Broadcast("a")}) << lock;
  }
  Arena(99, "unknown sender");
  EXPECT_TRUE(Messages(1).empty());
  Ann().IsMessageOp = -1;
  Arena(5, "op");
  EXPECT_EQ(Messages(1), Lines{Broadcast("op")});
  EXPECT_TRUE(TakeLines().empty());
}

TEST_F(ChatTest, ChannelLineUsesEachRecipientsNumbering) {
  Add(2, "Bob", 6, "x,y,team");
  Add(2, "Cat", 7, "teams,Team");
  Add(2, "Eve", 5, "team,,team");  // Ann's PlayerID, but another zone
  Add(1, "Dan", 8, "1,2,3,4,5,6,7,8,9,team");
  const std::string text("go\0", 3);
  SendLine('2', text);
  SendLine('2', "again", '\x14');
  EXPECT_TRUE(Messages(1).empty());  // no copy for Ann; Dan's tenth is unused
  EXPECT_EQ(Messages(2),
            (Lines{Channel(3, 6, text), Channel(1, 5, text),
                   Channel(2, 5, text), Channel(3, 6, "again"),
                   Channel(1, 5, "again"), Channel(2, 5, "again")}));
}

TEST_F(ChatTest, ChannelLineWithoutSuchChannelSendsNothing) {
  Add(2, "Bob", 6, "lobby,team,a");
  for (char digit : {'0', '3', 'a', ':'}) SendLine(digit, "x");
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kChatChannelType, 5, ""));  // no digit
  ReceiveReliable(ZoneAddress(1), PlayerMessage(kChatChannelType, 9, "1"));
  EXPECT_TRUE(Messages(2).empty());
  Ann().ChatChannels = ",,a";
  SendLine('1', "x");
  EXPECT_EQ(Messages(2), Lines{Channel(3, 6, "x")});
}

TEST_F(ChatTest, PlayerTextIsWrittenAsReceived) {
  ReceiveReliable(
      ZoneAddress(1),
      PlayerMessage(kPlayerTextType, 5, std::string("\x1b[2J hi\0junk", 12)));
  ReceiveReliable(ZoneAddress(1),
                  PlayerMessage(kPlayerTextType, 99, "unknown"));
  EXPECT_EQ(TakeLines(),
            Lines{"Main(ServerID:1 GroupID:1 ScoreID:1) [Ann] \x1b[2J hi"});
  EXPECT_TRUE(Messages(1).empty());
}

}  // namespace
}  // namespace tallyhall
