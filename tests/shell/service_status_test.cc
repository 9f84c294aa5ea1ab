// What the core tells the service manager: ready with its status once
// started, the zones and players present at each save tick, stopping before
// the shutdown's saves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/server_events.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

class RecordingNotifier : public ServiceNotifier {
 public:
  void Notify(std::string_view state) override { sent.emplace_back(state); }
  std::vector<std::string> sent;
};

class ServiceStatusTest : public CoreTest {
 protected:
  ServiceStatusTest() { core_.set_notifier(&notifier_); }
  RecordingNotifier notifier_;
};

TEST_F(ServiceStatusTest, ReadyThenStatusAtEachTickThenStoppingBeforeSaves) {
  NotifyReady(core_);
  LoginZone(1);
  LoginZone(2);
  LoginPlayer(1, "Ann", 11);
  LoginPlayer(2, "Bob", 21);
  LoginPlayer(2, "Cy", 22);
  OnSaveTick(core_);
  // The Disconnect of the first zone leaves after STOPPING.
  transport_.on_send = [&](const SentDatagram&) {
    if (notifier_.sent.size() == 3) notifier_.sent.push_back("<sent>");
  };
  EXPECT_TRUE(Shutdown(core_));
  EXPECT_EQ(notifier_.sent,
            (std::vector<std::string>{"READY=1\nSTATUS=Zones: 0, players: 0",
                                      "STATUS=Zones: 2, players: 3",
                                      "STOPPING=1", "<sent>"}));
}

}  // namespace
}  // namespace tallyhall
