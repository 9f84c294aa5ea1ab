// The load run: a closed loop in which every player has at most one message
// outstanding, so the rate follows what the biller answers.
#include "zone_tool/load_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "db/encoding.h"
#include "zone_client/zone_messages.h"
#include "zone_tool/zone_link.h"
#include "zone_tool/zone_session.h"

namespace tallyhall {

namespace {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;

constexpr int kCommandsPerVisit = 20;
constexpr int kDefaultSeconds = 10;
// A message unanswered this long counts as lost and the player goes on.
constexpr std::chrono::seconds kLostAfter(2);
const std::string kPlayerIp("\x7f\x00\x00\x01", 4);

enum class State { kReady, kCommand, kLogin, kOut };

struct LoadPlayer {
  std::int32_t id = 0;  // PlayerID; players_[id - 1]
  State state = State::kReady;
  TimePoint sent;
  int commands = 0;  // commands answered in this visit
};

struct Counts {
  long commands = 0;
  long replies = 0;  // player messages of any kind
  long logins = 0;
  long lost = 0;
  long refused = 0;
};

double Milliseconds(SteadyClock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// The value below which `fraction` (0..1) of the sorted samples lie, by the
// nearest-rank rule; 0 for no samples.
double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  const double rank = std::ceil(fraction * static_cast<double>(sorted.size()));
  const std::size_t index =
      static_cast<std::size_t>(std::clamp(rank, 1.0, double(sorted.size())));
  return sorted[index - 1];
}

class LoadRun {
 public:
  LoadRun(ZoneClient& client, const ZoneToolOptions& options)
      : client_(client), options_(options) {
    for (int i = 1; i <= options.load_players; ++i) {
      players_.push_back({.id = i});
    }
  }

  int Run() {
    if (!LogZoneIn(client_, options_.zone, options_.server)) {
      return kZoneExitFailure;
    }
    const TimePoint start = SteadyClock::now();
    for (LoadPlayer& player : players_) LogIn(player, start);
    const auto duration =
        std::chrono::seconds(options_.seconds.value_or(kDefaultSeconds));
    if (!Loop(start, start + duration)) {
      PrintLine("The biller disconnected the zone");
      return kZoneExitFailure;
    }
    const double seconds = Milliseconds(SteadyClock::now() - start) / 1000;
    if (!Drain()) {
      PrintLine("The biller disconnected the zone");
      return kZoneExitFailure;
    }
    for (LoadPlayer& player : players_) {
      if (player.state == State::kOut) continue;
      client_.SendReliable(PlayerLogoffMessage(player.id, 0));
    }
    PrintTotals(seconds);
    LogZoneOff(client_);
    return 0;
  }

 private:
  // Sends and takes messages until `end`; false when the biller
  // disconnected the zone.
  bool Loop(TimePoint start, TimePoint end) {
    TimePoint next_report = start + std::chrono::seconds(1);
    TimePoint next_expiry = start;
    Counts at_last_report;
    for (TimePoint now = start; now < end; now = SteadyClock::now()) {
      while (!ready_.empty()) {
        SendCommand(players_[ready_.front() - 1], now);
        ready_.pop_front();
      }
      if (now >= next_expiry) {
        ExpireLost(now);
        next_expiry = now + std::chrono::milliseconds(100);
      }
      ServerMessage message;
      for (Arrival arrival = ReceiveFromBiller(client_, 10, message);
           arrival != Arrival::kNothing;
           arrival = ReceiveFromBiller(client_, 0, message)) {
        if (arrival == Arrival::kDisconnect) return false;
        if (arrival == Arrival::kMessage) Take(message.message);
      }
      if (SteadyClock::now() >= next_report) {
        PrintSecond(next_report - start, at_last_report);
        at_last_report = counts_;
        next_report += std::chrono::seconds(1);
      }
    }
    return true;
  }

  // Takes the answers still on their way, for up to kLostAfter, sending
  // nothing new; false when the biller disconnected the zone.
  bool Drain() {
    ready_.clear();
    draining_ = true;
    const TimePoint end = SteadyClock::now() + kLostAfter;
    ServerMessage message;
    while (outstanding_ > 0 && SteadyClock::now() < end) {
      const Arrival arrival = ReceiveFromBiller(client_, 10, message);
      if (arrival == Arrival::kDisconnect) return false;
      if (arrival == Arrival::kMessage) Take(message.message);
    }
    return true;
  }

  void LogIn(LoadPlayer& player, TimePoint now) {
    client_.SendReliable(PlayerLoginMessage("Load" + DecimalText(player.id),
                                            player.id, kPlayerIp,
                                            100000 + player.id, true));
    SetState(player, State::kLogin);
    player.sent = now;
    player.commands = 0;
  }

  void SendCommand(LoadPlayer& player, TimePoint now) {
    client_.SendReliable(CommandMessage(player.id, options_.load_command));
    SetState(player, State::kCommand);
    player.sent = now;
    ++counts_.commands;
  }

  // A message for a player: the answer to his command or to his login.
  void Take(const std::string& message) {
    const TimePoint now = SteadyClock::now();
    const bool reply = message.starts_with('\x09');
    const bool login = message.starts_with('\x01');
    if (!reply && !login) return;
    const std::int32_t id = BytesToInt32(FieldAt(message, reply ? 1 : 2, 4));
    if (reply) ++counts_.replies;
    if (id < 1 || id > static_cast<std::int32_t>(players_.size())) return;
    LoadPlayer& player = players_[id - 1];
    if (reply && player.state == State::kCommand) {
      latencies_ms_.push_back(Milliseconds(now - player.sent));
      Next(player, now);
    } else if (login && player.state == State::kLogin) {
      const bool accepted = message.size() > 1 && message[1] == '\x00';
      ++(accepted ? counts_.logins : counts_.refused);
      if (accepted) {
        MakeReady(player);
      } else {
        SetState(player, State::kOut);
      }
    }
  }

  // After an answered command: the next command, or a new visit.
  void Next(LoadPlayer& player, TimePoint now) {
    if (++player.commands < kCommandsPerVisit || draining_) {
      MakeReady(player);
      return;
    }
    client_.SendReliable(PlayerLogoffMessage(player.id, 0));
    LogIn(player, now);
  }

  static bool Waiting(State state) {
    return state == State::kCommand || state == State::kLogin;
  }

  void SetState(LoadPlayer& player, State state) {
    outstanding_ += int{Waiting(state)} - int{Waiting(player.state)};
    player.state = state;
  }

  // The player is due to send his next command (none once draining).
  void MakeReady(LoadPlayer& player) {
    SetState(player, State::kReady);
    if (!draining_) ready_.push_back(player.id);
  }

  void ExpireLost(TimePoint now) {
    for (LoadPlayer& player : players_) {
      if (!Waiting(player.state) || now - player.sent < kLostAfter) continue;
      ++counts_.lost;
      if (player.state == State::kLogin) {
        LogIn(player, now);
      } else {
        Next(player, now);
      }
    }
  }

  void PrintSecond(SteadyClock::duration since_start, const Counts& before) {
    const auto second =
        std::chrono::duration_cast<std::chrono::seconds>(since_start).count();
    PrintLine(DecimalText(second) + " s: " +
              DecimalText(counts_.replies - before.replies) + " replies/s, " +
              DecimalText(counts_.logins - before.logins) + " logins/s, " +
              DecimalText(counts_.lost - before.lost) + " lost");
  }

  void PrintTotals(double seconds) {
    std::sort(latencies_ms_.begin(), latencies_ms_.end());
    const double per_second =
        seconds > 0 ? static_cast<double>(counts_.replies) / seconds : 0;
    PrintLine("Load: " + DecimalText(options_.load_players) + " players, " +
              Fixed(seconds) + " s: " + DecimalText(counts_.commands) +
              " commands, " + DecimalText(counts_.replies) + " replies (" +
              DecimalText(std::llround(per_second)) + " per second), " +
              DecimalText(counts_.logins) + " logins, " +
              DecimalText(counts_.refused) + " refused, " +
              DecimalText(counts_.lost) + " lost");
    const std::vector<double>& l = latencies_ms_;
    PrintLine("Reply latency ms: p50 " + Fixed(Percentile(l, 0.50)) + " p90 " +
              Fixed(Percentile(l, 0.90)) + " p99 " +
              Fixed(Percentile(l, 0.99)) + " max " +
              Fixed(l.empty() ? 0 : l.back()));
  }

  ZoneClient& client_;
  const ZoneToolOptions& options_;
  std::vector<LoadPlayer> players_;
  std::deque<std::int32_t> ready_;  // PlayerIDs due to send a command
  std::vector<double> latencies_ms_;
  Counts counts_;
  int outstanding_ = 0;  // players waiting for an answer
  bool draining_ = false;
};

}  // namespace

int RunLoad(ZoneClient& client, const ZoneToolOptions& options) {
  return LoadRun(client, options).Run();
}

}  // namespace tallyhall
