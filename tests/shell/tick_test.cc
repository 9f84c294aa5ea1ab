// The two timers: queued greetings leave together 30 seconds after the last
// queued one or 60 after the oldest, and the 30-second save tick saves by
// AutoSave and just after midnight, never postponed by greetings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <numeric>

#include "db/encoding.h"
#include "shell/server_events.h"
#include "support/core_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

class TickTest : public CoreTest {
 protected:
  void SetTime(int hour, int minute, int second) {
    clock_.Set({.year = 2026,
                .month = 12,
                .day = 7,
                .hour = hour,
                .minute = minute,
                .second = second});
  }

  int CountLines(std::string_view part) {
    std::vector<std::string> lines = TakeLines();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
          return line.find(part) != std::string::npos;
        }));
  }
};

TEST_F(TickTest, QueuedGreetingsLeaveTogetherInQueueOrder) {
  LoginZone(1);
  LoginZone(2);
  core_.QueueGreeting(1, 11, "one");
  core_.QueueGreeting(2, 22, "two");
  core_.QueueGreeting(1, 12, "three");
  EXPECT_EQ(scheduler_.restarts, 3);
  EXPECT_TRUE(TakeSent(ZoneAddress(1)).empty());
  OnGreetingTimer(core_);
  EXPECT_EQ(RepliesTo(1, 11), std::vector<std::string>{"one"});
  EXPECT_EQ(RepliesTo(2, 22), std::vector<std::string>{"two"});
  EXPECT_EQ(RepliesTo(1, 12), std::vector<std::string>{"three"});
  EXPECT_TRUE(core_.delayed_responses().empty());
  OnGreetingTimer(core_);
  EXPECT_TRUE(transport_.sent.empty());
}

TEST_F(TickTest, GreetingForZoneThatLeftOrWasReplacedIsDropped) {
  LoginZone(1, "One");
  LoginZone(2, "Two");
  core_.QueueGreeting(2, 5, "to two");
  core_.QueueGreeting(1, 6, "to one");
  Receive(ZoneAddress(1), Hex("00 07"));  // Two moves to position 1
  LoginZone(3, "Three");                  // Three takes position 2
  TakeSent(ZoneAddress(1));
  OnGreetingTimer(core_);
  EXPECT_EQ(RepliesTo(2, 5), std::vector<std::string>{});
  EXPECT_TRUE(TakeSent(ZoneAddress(3)).empty());
  EXPECT_TRUE(TakeSent(ZoneAddress(1)).empty());
}

// A PlayerID freed by a logoff, a stale entry or a zone's leaving is given
// to someone else: the greeting queued for the one who left is dropped, and
// the queue holds no more than the players present however often they come
// and go.
TEST_F(TickTest, GreetingLeavesOnlyForThePlayerItWasQueuedFor) {
  LoginZone(1, "One");
  LoginZone(2, "Two");
  core_.settings().greeting = "for Ann";
  LoginPlayer(1, "Ann", 7);
  ReceiveReliable(ZoneAddress(1), PlayerLogoffMessage(7, 0, ""));
  core_.settings().greeting = "for Bob";
  LoginPlayer(1, "Bob", 7);
  core_.settings().greeting = "for Cy";
  LoginPlayer(1, "Cy", 8);
  core_.settings().greeting = "for Dan";
  LoginPlayer(1, "Dan", 8);  // Cy's entry is stale
  LoginPlayer(2, "Eve", 9);
  Receive(ZoneAddress(2), Hex("00 07"));  // Two leaves
  for (int i = 0; i < 1000; ++i) {
    LoginPlayer(1, "Fay", 100 + i);
    ReceiveReliable(ZoneAddress(1), PlayerLogoffMessage(100 + i, 0, ""));
  }
  EXPECT_EQ(core_.greeting_queue().size(), 2u);
  EXPECT_LT(core_.greeting_queue().held(), 100u);
  TakeSent(ZoneAddress(1));
  TakeSent(ZoneAddress(2));
  OnGreetingTimer(core_);
  EXPECT_EQ(RepliesTo(1, 7), std::vector<std::string>{"for Bob"});
  EXPECT_EQ(RepliesTo(1, 8), std::vector<std::string>{"for Dan"});
  EXPECT_TRUE(transport_.sent.empty());
}

// The loop sends a long queue in slices and handles datagrams between them:
// every greeting leaves once, in order; one queued meanwhile waits for the
// next expiry, armed from its own login.
TEST_F(TickTest, LongQueueLeavesInSlicesWithDatagramsBetween) {
  LoginZone(1);
  core_.settings().greeting = "hi";
  for (int id = 1; id <= 250; ++id)
    LoginPlayer(1, "P" + std::to_string(id), id);
  clock_.Advance(50);  // the waits of the next queue are not counted from here
  core_.StartGreetingRelease();
  std::vector<std::int32_t> order;
  auto take_greetings = [&] {
    for (const std::string& sent : TakeSent(ZoneAddress(1))) {
      auto message = DecodeReliable(sent);
      ASSERT_TRUE(message && message->message[0] == '\x09');
      EXPECT_EQ(message->message.substr(5), std::string("hi\0", 3));
      order.push_back(BytesToInt32(message->message.substr(1, 4)));
    }
  };
  EXPECT_TRUE(SendDueGreetings(core_, 100));
  take_greetings();
  LoginPlayer(1, "Late", 900);  // answered between slices
  EXPECT_EQ(Zone(1).PlayerCount(), 251);
  EXPECT_EQ(scheduler_.last_delay_ms, kTickSeconds * 1000);
  EXPECT_TRUE(SendDueGreetings(core_, 100));
  take_greetings();
  EXPECT_FALSE(SendDueGreetings(core_, 100));
  take_greetings();
  EXPECT_FALSE(SendDueGreetings(core_, 100));
  std::vector<std::int32_t> expected(250);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(order, expected);
  EXPECT_EQ(core_.greeting_queue().size(), 1u);
  OnGreetingTimer(core_);
  EXPECT_EQ(RepliesTo(1, 900), std::vector<std::string>{"hi"});
}

TEST_F(TickTest, SaveTickSavesEveryZoneOnceThePeriodHasPassed) {
  LoginZone(1, "One");
  LoginZoneWithOwnUsers(2, "Two");
  core_.settings().auto_save = 60;
  SetTime(12, 0, 0);
  TakeLines();
  OnSaveTick(core_);  // last save was at start-up, 12:00:00
  EXPECT_EQ(CountLines(" Written: "), 0);
  SetTime(12, 0, 30);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 0);
  SetTime(12, 1, 0);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 2);
  EXPECT_EQ(core_.last_save_time(), 12 * 3600 + 60);
}

TEST_F(TickTest, MinuteAfterMidnightSavesWhateverThePeriod) {
  LoginZone(1);
  core_.settings().auto_save = 3600;
  SetTime(23, 59, 50);
  OnSaveTick(core_);  // an hour and more since start-up
  EXPECT_EQ(CountLines(" Written: "), 1);
  SetTime(0, 0, 0);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 0);
  SetTime(0, 0, 20);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 1);
  SetTime(0, 0, 50);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 1);
  SetTime(0, 1, 20);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 0);
}

TEST_F(TickTest, AutoSaveZeroSavesAtEveryTickAndNoZoneOnlyMovesLastSaveTime) {
  core_.settings().auto_save = 0;
  SetTime(13, 0, 0);
  OnSaveTick(core_);
  EXPECT_EQ(core_.last_save_time(), 13 * 3600);
  LoginZone(1);
  TakeLines();
  OnSaveTick(core_);
  OnSaveTick(core_);
  EXPECT_EQ(CountLines(" Written: "), 2);
}

TEST_F(TickTest, FailedSaveIsTriedAgainAtEachTickUntilItSucceeds) {
  LoginZone(1, "One");
  LoginZoneWithOwnUsers(2, "Two");
  // A new player changes zone One's databases, so its saves write files.
  LoginPlayer(1, "Ann", 1);
  core_.settings().auto_save = 3600;
  // A folder where the temporary file should go makes the save fail, even
  // for root.
  const std::string blocker = folder_.File("User.1.tmp");
  std::filesystem::create_directory(blocker);
  SetTime(13, 0, 0);
  TakeLines();
  OnSaveTick(core_);
  EXPECT_EQ(CountLines("One Could not write "), 1);
  for (int tick = 1; tick <= 2; ++tick) {
    clock_.Advance(kTickSeconds);
    OnSaveTick(core_);
    const std::vector<std::string> lines = TakeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("One Could not write ")) << lines[0];
  }
  std::filesystem::remove(blocker);
  clock_.Advance(kTickSeconds);
  OnSaveTick(core_);
  const std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("One Written: ")) << lines[0];
  clock_.Advance(kTickSeconds);
  OnSaveTick(core_);
  EXPECT_TRUE(TakeLines().empty());
  // The retries did not move the period on.
  EXPECT_EQ(core_.last_save_time(), 13 * 3600);
}

// Drives the core as the event loop does: a save tick every 30 seconds from
// start-up and a greeting timer re-armed by every login for the wait the
// core asks.
TEST_F(TickTest, SteadyLoginsNeitherStarveSavesNorHurryGreetings) {
  LoginZone(1, "One");
  LoginZoneWithOwnUsers(2, "Two");
  core_.settings().auto_save = 60;
  SetTime(12, 0, 0);
  TakeLines();
  int greeting_due = -1;
  int restarts_seen = scheduler_.restarts;
  std::vector<int> save_times;
  std::vector<int> greeting_times;
  std::vector<SentDatagram> greetings;
  for (int t = 1; t <= 400; ++t) {
    clock_.Advance(1);
    if (t <= 300 && t % 10 == 0) {
      LoginPlayer(t % 20 == 0 ? 1 : 2, "P" + std::to_string(t), t);
    }
    if (scheduler_.restarts != restarts_seen) {
      restarts_seen = scheduler_.restarts;
      greeting_due = t + static_cast<int>(scheduler_.last_delay_ms / 1000);
    }
    if (t == greeting_due) {
      OnGreetingTimer(core_);
      greeting_times.push_back(t);
      // Kept aside: the next login takes whatever was sent to its zone.
      std::move(transport_.sent.begin(), transport_.sent.end(),
                std::back_inserter(greetings));
      transport_.sent.clear();
    }
    if (t % kTickSeconds == 0) OnSaveTick(core_);
    const std::vector<std::string> lines = TakeLines();
    auto saved = [&](std::string_view zone) {
      return std::any_of(lines.begin(), lines.end(), [&](const auto& line) {
        return line.starts_with(std::string(zone) + " Written: ");
      });
    };
    if (saved("One") && saved("Two")) save_times.push_back(t);
  }
  // Every zone is saved once a minute while players keep arriving.
  EXPECT_EQ(save_times, (std::vector<int>{60, 120, 180, 240, 300, 360}));
  // Logins every 10 seconds: the queue leaves 60 seconds after its oldest
  // greeting; after the last login, 30 seconds after it.
  EXPECT_EQ(greeting_times, (std::vector<int>{70, 140, 210, 280, 330}));
  EXPECT_EQ(greetings.size(), 30u);
  transport_.sent = std::move(greetings);
  EXPECT_EQ(
      RepliesTo(1, 300),
      std::vector<std::string>{
          "Greetings. This is Tallyhall. Type ?bhelp for biller commands"});
  EXPECT_EQ(RepliesTo(2, 10).size(), 1u);
}

}  // namespace
}  // namespace tallyhall
