// The metrics text, built from the counters and the zone table each time the
// loop publishes it.
#include "shell/metrics.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <span>

#include "commands/command_table.h"
#include "context/server_core.h"

#ifndef TALLYHALL_VERSION
#define TALLYHALL_VERSION "unknown"
#endif

namespace tallyhall {
namespace {

// What the zones that share one ServerID add up to.
struct ServerSums {
  std::int64_t players = 0;
  std::int64_t users = 0;
  std::int64_t squads = 0;
  std::int64_t scores = 0;
  std::int64_t last_save_ms = -1;  // the latest of their last saves
};

std::map<std::int32_t, ServerSums> SumByServerId(ServerCore& core) {
  std::map<std::int32_t, ServerSums> sums;
  ZoneTable& zones = core.zones();
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    const ZoneEntry& zone = zones.Zone(id);
    ServerSums& s = sums[zone.ServerID];
    s.players += zone.PlayerCount();
    s.users += zone.databases.users.UserCount();
    s.squads += zone.databases.squads.SquadCount();
    s.scores += zone.databases.scores.ScoreCount();
    s.last_save_ms = std::max(s.last_save_ms, zone.last_save_ms);
  }
  return sums;
}

// Writes metric families: each with its HELP and TYPE lines, then its
// samples. Label values here are ServerIDs, command words and fixed words,
// none of which holds a quote, backslash or line break.
class MetricsWriter {
 public:
  void Family(std::string_view name, std::string_view type,
              std::string_view help) {
    text_.append("# HELP ").append(name).append(" ").append(help);
    text_.append("\n# TYPE ").append(name).append(" ").append(type);
    text_ += '\n';
  }
  // `labels`: empty, or `name="value"` pairs separated by commas.
  template <typename Number>
  void Sample(std::string_view name, std::string_view labels, Number value) {
    text_.append(name);
    if (!labels.empty()) text_.append("{").append(labels).append("}");
    text_ += ' ';
    AppendNumber(value);
    text_ += '\n';
  }
  // A family of one sample without labels.
  template <typename Number>
  void Single(std::string_view name, std::string_view type,
              std::string_view help, Number value) {
    Family(name, type, help);
    Sample(name, "", value);
  }
  template <std::size_t kBounds>
  void WriteHistogram(std::string_view name, std::string_view help,
                      const Histogram<kBounds>& histogram) {
    Family(name, "histogram", help);
    const std::string bucket = std::string(name) + "_bucket";
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < kBounds; ++i) {
      cumulative += histogram.buckets()[i];
      Sample(bucket, "le=\"" + BoundText(histogram.bounds()[i]) + "\"",
             cumulative);
    }
    cumulative += histogram.buckets()[kBounds];
    Sample(bucket, "le=\"+Inf\"", cumulative);
    Sample(std::string(name) + "_sum", "", histogram.sum());
    Sample(std::string(name) + "_count", "", cumulative);
  }

  std::string Take() { return std::move(text_); }

 private:
  // Written without an exponent, as bucket bounds usually are: "0.0001".
  static std::string BoundText(double bound) {
    std::array<char, 32> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(),
                                   bound, std::chars_format::fixed)
                         .ptr;
    return std::string(digits.data(), end);
  }

  template <typename Number>
  static void AppendNumberTo(std::string& out, Number value) {
    std::array<char, 32> digits;
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end);
  }
  template <typename Number>
  void AppendNumber(Number value) {
    AppendNumberTo(text_, value);
  }

  std::string text_;
};

std::string ServerLabel(std::int32_t server_id) {
  return "server_id=\"" + std::to_string(server_id) + "\"";
}

void WriteProcess(MetricsWriter& w, const MetricsTimes& times) {
  w.Family("tallyhall_build_info", "gauge",
           "Always 1; the version label names the running build.");
  w.Sample("tallyhall_build_info", "version=\"" TALLYHALL_VERSION "\"", 1);
  w.Single("tallyhall_start_time_seconds", "gauge",
           "Unix time at which the server started.", times.start_unix_seconds);
}

void WriteZones(MetricsWriter& w, ServerCore& core, const MetricsTimes& times,
                const std::map<std::int32_t, ServerSums>& sums) {
  std::int64_t players = 0;
  for (const auto& [server_id, s] : sums) players += s.players;
  w.Single("tallyhall_zones_connected", "gauge", "Zone servers logged in.",
           core.zones().ZoneCount());
  w.Single("tallyhall_players", "gauge", "Players present in all zones.",
           players);
  w.Family("tallyhall_zone_players", "gauge",
           "Players present in the zones with this ServerID.");
  for (const auto& [server_id, s] : sums) {
    w.Sample("tallyhall_zone_players", ServerLabel(server_id), s.players);
  }
  w.Single("tallyhall_greetings_queued", "gauge",
           "Greetings waiting for the greeting timer.",
           core.delayed_responses().size());
  w.Family("tallyhall_database_records", "gauge",
           "Records in memory in the databases of the zones with this "
           "ServerID.");
  for (const auto& [server_id, s] : sums) {
    const std::string label = ServerLabel(server_id) + ",database=";
    w.Sample("tallyhall_database_records", label + "\"user\"", s.users);
    w.Sample("tallyhall_database_records", label + "\"squad\"", s.squads);
    w.Sample("tallyhall_database_records", label + "\"score\"", s.scores);
  }
  w.Family("tallyhall_last_save_time_seconds", "gauge",
           "Unix time of the last good save of a zone with this ServerID.");
  for (const auto& [server_id, s] : sums) {
    if (s.last_save_ms < 0) continue;
    const double ago =
        static_cast<double>(times.now_steady_ms - s.last_save_ms) / 1000;
    w.Sample("tallyhall_last_save_time_seconds", ServerLabel(server_id),
             times.now_unix_seconds - ago);
  }
}

void WriteTraffic(MetricsWriter& w, const Counters& c) {
  w.Single("tallyhall_datagrams_received_total", "counter",
           "Datagrams read from the UDP port, dropped ones included.",
           c.datagrams_received);
  w.Single("tallyhall_received_bytes_total", "counter",
           "Bytes of the datagrams read.", c.bytes_received);
  w.Single("tallyhall_datagrams_sent_total", "counter",
           "Datagrams sent to zones.", c.datagrams_sent);
  w.Single("tallyhall_sent_bytes_total", "counter",
           "Bytes of the datagrams sent.", c.bytes_sent);
  w.Single("tallyhall_acknowledgements_sent_total", "counter",
           "Acknowledgements of numbered messages sent.",
           c.acknowledgements_sent);
  w.Family("tallyhall_datagrams_dropped_total", "counter",
           "Datagrams not acted on, by reason.");
  w.Sample("tallyhall_datagrams_dropped_total", "reason=\"too_long\"",
           c.dropped_too_long);
  w.Sample("tallyhall_datagrams_dropped_total", "reason=\"unknown_sender\"",
           c.dropped_unknown_sender);
  w.Sample("tallyhall_datagrams_dropped_total", "reason=\"not_understood\"",
           c.dropped_not_understood);
}

void WriteWork(MetricsWriter& w, const Counters& c) {
  static constexpr std::array<std::string_view, kLoginResults> kResults = {
      "known", "new", "asked", "refused"};
  w.Family("tallyhall_player_logins_total", "counter",
           "Player logins, by how they ended.");
  for (std::size_t i = 0; i < kLoginResults; ++i) {
    w.Sample("tallyhall_player_logins_total",
             "result=\"" + std::string(kResults[i]) + "\"", c.logins[i]);
  }
  w.Single("tallyhall_player_logoffs_total", "counter",
           "Player logoffs of players present.", c.logoffs);
  w.Single("tallyhall_arena_messages_total", "counter",
           "Arena messages sent on to every zone.", c.arena_messages);
  w.Single("tallyhall_chat_messages_total", "counter",
           "Chat channel lines routed.", c.chat_messages);
  w.Family("tallyhall_commands_total", "counter",
           "?-commands typed, by word and by whether the caller held the "
           "level the word needs.");
  const std::span<const CommandEntry> table = CommandTable();
  for (std::size_t i = 0; i <= kCommandWords; ++i) {
    const std::string word =
        "word=\"" + std::string(i < table.size() ? table[i].text : "unknown") +
        "\"";
    w.Sample("tallyhall_commands_total", word + ",result=\"allowed\"",
             c.commands[i][0]);
    w.Sample("tallyhall_commands_total", word + ",result=\"refused\"",
             c.commands[i][1]);
  }
}

void WriteHealth(MetricsWriter& w, ServerCore& core, const Counters& c) {
  w.Family("tallyhall_saves_total", "counter",
           "Saves of a zone's databases, by result.");
  w.Sample("tallyhall_saves_total", "result=\"saved\"", c.saves_succeeded);
  w.Sample("tallyhall_saves_total", "result=\"failed\"", c.saves_failed);
  w.WriteHistogram("tallyhall_save_duration_seconds",
                   "Time taken by the saves that wrote files.", c.save_seconds);
  w.Single("tallyhall_failure_lines_total", "counter",
           "Terminal lines of steps that failed and were skipped.",
           core.terminal().failure_lines());
  w.WriteHistogram(
      "tallyhall_loop_turn_duration_seconds",
      "Time taken by each turn of the loop: a batch of datagrams or "
      "one timer event.",
      c.loop_turn_seconds);
}

// Reads the decimal number that fills `text`, at most `max`.
std::optional<unsigned> Decimal(std::string_view text, unsigned max) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string MetricsText(ServerCore& core, const MetricsTimes& times) {
  const std::map<std::int32_t, ServerSums> sums = SumByServerId(core);
  const Counters& counters = core.counters();
  MetricsWriter w;
  WriteProcess(w, times);
  WriteZones(w, core, times, sums);
  WriteTraffic(w, counters);
  WriteWork(w, counters);
  WriteHealth(w, core, counters);
  return w.Take();
}

std::optional<Address> MetricsAddressFromText(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  Address address;
  std::string_view ip = text.substr(0, colon);
  for (std::size_t i = 0; i < address.ip.size(); ++i) {
    const std::size_t dot =
        i + 1 < address.ip.size() ? ip.find('.') : ip.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::optional<unsigned> number = Decimal(ip.substr(0, dot), 255);
    if (!number) return std::nullopt;
    address.ip[i] = static_cast<std::uint8_t>(*number);
    ip.remove_prefix(std::min(dot + 1, ip.size()));
  }
  const std::optional<unsigned> port = Decimal(text.substr(colon + 1), 65535);
  if (!port || *port == 0) return std::nullopt;
  address.port = static_cast<std::uint16_t>(*port);
  return address;
}

std::string MetricsAddressWarning(std::string_view text) {
  if (text.empty() || MetricsAddressFromText(text)) return "";
  return "Warning: MetricsAddress " + std::string(text) +
         " is not an IPv4 address and port such as 127.0.0.1:9464; the "
         "metrics endpoint is off";
}

}  // namespace tallyhall
