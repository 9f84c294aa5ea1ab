// What the metrics text counts: commands by word and level gate, logins by
// result, saves by result, the zones' series, traffic; and which
// MetricsAddress texts turn the endpoint on.
#include "shell/metrics.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "net/messages.h"
#include "shell/server_events.h"
#include "support/core_fixture.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {
namespace {

class MetricsTest : public CoreTest {
 protected:
  // The value written for `series` (name and labels as in the text);
  // "absent" when the text has no such line.
  std::string Value(const std::string& series) {
    const MetricsTimes times{.start_unix_seconds = 1000,
                             .now_unix_seconds = 2000,
                             .now_steady_ms = clock_.SteadyMilliseconds()};
    const std::string text = "\n" + MetricsText(core_, times);
    const std::size_t at = text.find("\n" + series + " ");
    if (at == std::string::npos) return "absent";
    const std::size_t start = at + series.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
  }

  void ExpectValues(
      const std::vector<std::pair<std::string, std::string>>& expected) {
    for (const auto& [series, value] : expected) {
      EXPECT_EQ(Value(series), value) << series;
    }
  }

  void LoginZoneWithServerId(int n, std::int32_t server_id) {
    ZoneLoginFields fields;
    fields.server_id = server_id;
    LoginZone(n, fields);
  }
};

TEST_F(MetricsTest, CommandsAreCountedByWordAndByTheLevelGate) {
  LoginZone(1);
  LoginPlayer(1, "Alice", 5);
  for (const char* text : {"?save", "?about", "?about", "?nosuchword"}) {
    Type(1, 5, text);
  }
  ExpectValues({
      {R"(tallyhall_commands_total{word="?save",result="refused"})", "1"},
      {R"(tallyhall_commands_total{word="?save",result="allowed"})", "0"},
      {R"(tallyhall_commands_total{word="?about",result="allowed"})", "2"},
      {R"(tallyhall_commands_total{word="unknown",result="allowed"})", "1"},
  });
}

TEST_F(MetricsTest, PlayerLoginsAreCountedByResult) {
  LoginZone(1);
  LoginPlayer(1, "Alice", 5);  // new, confirmed at once
  LoginPlayer(1, "Alice", 6);  // known
  core_.settings().ask_new_users = true;
  ReceiveReliable(ZoneAddress(1),
                  PlayerLoginMessage("Bob", 7, "\x0a\0\0\x07", 1, false));
  core_.settings().allow_new_users = false;
  LoginPlayer(1, "Carol", 8);
  ExpectValues({
      {R"(tallyhall_player_logins_total{result="known"})", "1"},
      {R"(tallyhall_player_logins_total{result="new"})", "1"},
      {R"(tallyhall_player_logins_total{result="asked"})", "1"},
      {R"(tallyhall_player_logins_total{result="refused"})", "1"},
  });
}

TEST_F(MetricsTest, FailedSaveIsCountedAsFailedAndKeepsTheLastGoodSave) {
  core_.settings().auto_save = 0;  // every tick saves every zone
  LoginZone(1);
  LoginPlayer(1, "Alice", 5);
  core_.set_file_hooks(
      {.before_rename = [](const std::string&) { return EIO; }});
  OnSaveTick(core_);
  ExpectValues({
      {R"(tallyhall_saves_total{result="failed"})", "1"},
      {R"(tallyhall_saves_total{result="saved"})", "0"},
      {"tallyhall_save_duration_seconds_count", "1"},
      {R"(tallyhall_last_save_time_seconds{server_id="1"})", "absent"},
  });
  core_.set_file_hooks({});
  OnSaveTick(core_);  // a failed zone is saved again at the next tick
  clock_.Advance(5);
  ExpectValues({
      {R"(tallyhall_saves_total{result="failed"})", "1"},
      {R"(tallyhall_saves_total{result="saved"})", "1"},
      {R"(tallyhall_last_save_time_seconds{server_id="1"})", "1995"},
  });
}

TEST_F(MetricsTest, ZoneSeriesAddUpByServerIdAndLeaveWithTheirZones) {
  LoginZoneWithServerId(1, 7);
  LoginZoneWithServerId(2, 7);
  LoginZoneWithServerId(3, 8);
  LoginPlayer(1, "Alice", 1);
  LoginPlayer(2, "Bob", 1);
  LoginPlayer(2, "Carol", 2);
  LoginPlayer(3, "Dave", 1);
  ExpectValues({
      {"tallyhall_zones_connected", "3"},
      {"tallyhall_players", "4"},
      {R"(tallyhall_zone_players{server_id="7"})", "3"},
      {R"(tallyhall_zone_players{server_id="8"})", "1"},
      {R"(tallyhall_database_records{server_id="7",database="user"})", "3"},
      {R"(tallyhall_database_records{server_id="8",database="score"})", "1"},
  });
  Receive(ZoneAddress(3), kDisconnect);
  ExpectValues({
      {"tallyhall_zones_connected", "2"},
      {"tallyhall_players", "3"},
      {R"(tallyhall_zone_players{server_id="8"})", "absent"},
      {R"(tallyhall_database_records{server_id="8",database="user"})",
       "absent"},
      {R"(tallyhall_last_save_time_seconds{server_id="8"})", "absent"},
  });
}

TEST_F(MetricsTest, DatagramsAreCountedAndDropsByReason) {
  LoginZone(1);                                           // 1 in, ack out
  Receive(ZoneAddress(2), "hello");                       // unknown sender
  Receive(ZoneAddress(1), std::string("\x00\x09zz", 4));  // no such packet
  ReceiveReliable(ZoneAddress(1), "\x7f");                // unknown user event
  OnDatagramTooLong(core_, 600);
  ExpectValues({
      {"tallyhall_datagrams_received_total", "5"},
      {R"(tallyhall_datagrams_dropped_total{reason="too_long"})", "1"},
      {R"(tallyhall_datagrams_dropped_total{reason="unknown_sender"})", "1"},
      {R"(tallyhall_datagrams_dropped_total{reason="not_understood"})", "2"},
      {"tallyhall_acknowledgements_sent_total", "3"},
      {"tallyhall_datagrams_sent_total", "4"},  // and the Disconnect
  });
}

TEST_F(MetricsTest, HistogramBucketsAreCumulative) {
  for (double seconds : {0.00005, 0.0002, 0.3, 5.0}) {
    core_.counters().loop_turn_seconds.Observe(seconds);
  }
  ExpectValues({
      {R"(tallyhall_loop_turn_duration_seconds_bucket{le="0.0001"})", "1"},
      {R"(tallyhall_loop_turn_duration_seconds_bucket{le="0.25"})", "2"},
      {R"(tallyhall_loop_turn_duration_seconds_bucket{le="0.5"})", "3"},
      {R"(tallyhall_loop_turn_duration_seconds_bucket{le="+Inf"})", "4"},
      {"tallyhall_loop_turn_duration_seconds_count", "4"},
  });
}

TEST(MetricsAddressTest, OnlyAnIpv4AddressAndPortTurnsTheEndpointOn) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1:9464", true},   {"0.0.0.0:1", true},
      {"10.0.0.255:65535", true}, {"127.0.0.1", false},
      {"127.0.0.1:0", false},     {"127.0.0.1:65536", false},
      {"localhost:9464", false},  {"127.0.0.256:9464", false},
      {"127.0.0:9464", false},    {"127.0.0.1.1:9464", false},
      {"[::1]:9464", false},      {"127.0.0.1:94a", false},
      {"127.0.0.1: 9464", false}, {"-1.0.0.1:9464", false},
  };
  for (const auto& [text, good] : cases) {
    EXPECT_EQ(MetricsAddressFromText(text).has_value(), good) << text;
    EXPECT_EQ(MetricsAddressWarning(text).empty(), good) << text;
  }
  EXPECT_EQ(MetricsAddressWarning(""), "");
  EXPECT_EQ(MetricsAddressFromText("10.1.2.3:80")->ip,
            (std::array<std::uint8_t, 4>{10, 1, 2, 3}));
}

}  // namespace
}  // namespace tallyhall
