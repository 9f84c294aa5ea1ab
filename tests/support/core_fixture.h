// The fixture of the core's unit tests: a ServerCore on a fake transport,
// clock and scheduler in a temporary program folder, with helpers that log
// zones and players in and answer in strings.
#ifndef TALLYHALL_TESTS_SUPPORT_CORE_FIXTURE_H_
#define TALLYHALL_TESTS_SUPPORT_CORE_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/command_context.h"
#include "context/server_core.h"
#include "support/fakes.h"
#include "zone_client/zone_client.h"

namespace tallyhall {

class FakeScheduler : public Scheduler {
 public:
  void ArmGreetingTimer(std::int64_t delay_ms) override {
    ++restarts;
    last_delay_ms = delay_ms;
  }
  int restarts = 0;
  std::int64_t last_delay_ms = -1;
};

class CoreTest : public ::testing::Test {
 protected:
  CoreTest();

  // The address of test zone number `n` (127.0.0.1, port 40000 + n).
  static Address ZoneAddress(int n);

  // Sends a datagram to the core from `from`.
  void Receive(const Address& from, std::string_view datagram);
  // Sends 00 03 + sequence + message from `from`.
  void ReceiveReliable(const Address& from, std::string_view message,
                       std::int32_t sequence = 7);
  // Logs zone number `n` in with the billing password; returns its ZoneID.
  std::int32_t LoginZone(int n, const std::string& name = "Zone");
  std::int32_t LoginZone(int n, const ZoneLoginFields& fields);
  // Logs zone `n` in with ServerID `n`, so that its User file is its own.
  std::int32_t LoginZoneWithOwnUsers(int n, const std::string& name);
  // Logs a player in to zone `n` (new players are added at once).
  void LoginPlayer(int n, const std::string& name, std::int32_t player_id,
                   std::int32_t mac = 1234,
                   std::string ip = "\x0a\x00\x00\x07");
  // Puts a player straight into zone `zone_id`'s list, without a login.
  ZonePlayer& AddPresentPlayer(int zone_id, std::string name,
                               std::int32_t player_id);
  // Message 13: the player types `text`.
  void Type(int n, std::int32_t player_id, std::string_view text);

  // Datagrams sent so far to `to`, then forgotten.
  std::vector<std::string> TakeSent(const Address& to);
  // Texts of the 09 messages sent to `player_id` of zone `n`, then
  // forgotten.
  std::vector<std::string> RepliesTo(int n, std::int32_t player_id);
  // Type() then RepliesTo(): what the player is told in answer.
  std::vector<std::string> Ask(int n, std::int32_t player_id,
                               std::string_view text) {
    Type(n, player_id, text);
    return RepliesTo(n, player_id);
  }
  // Terminal texts (without stamps) written since the last call.
  std::vector<std::string> TakeLines();

  ZoneEntry& Zone(int zone_id) { return core_.zones().Zone(zone_id); }
  // A command context for the player at `index` of zone `zone_id`.
  CommandContext Context(int zone_id, std::int32_t index = 1,
                         std::string_view text = "");

  TempDir folder_;
  FakeTransport transport_;
  FakeClock clock_;
  RecordingView view_;
  FakeScheduler scheduler_;
  ServerCore core_;
  std::size_t lines_seen_ = 0;
};

// Zone 1 "Main" with one player present, Ann (PlayerID 5), who holds no
// level and has no record; the terminal lines of the set-up are taken.
class OnePlayerTest : public CoreTest {
 protected:
  void SetUp() override;
  ZonePlayer& Ann() { return Zone(1).Players[0]; }
  // What Ann is told when she types `text`.
  std::vector<std::string> AnnTypes(std::string_view text) {
    return Ask(1, 5, text);
  }
};

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_SUPPORT_CORE_FIXTURE_H_
