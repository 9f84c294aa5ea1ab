// The player session: input lines become the player's messages, one at a
// time, each followed by the replies it brings before the next is read.
#include "zone_tool/zone_session.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "base/terminal.h"
#include "db/encoding.h"
#include "zone_client/zone_messages.h"
#include "zone_tool/zone_link.h"

namespace tallyhall {

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The next line waits until the replies to the last one have stopped for
// this long; after the end of input the session waits as long for late ones.
constexpr milliseconds kReplyQuiet(250);
constexpr milliseconds kDrainQuiet(1000);
constexpr milliseconds kLoginWait(2000);
const std::string kPlayerIp("\x7f\x00\x00\x01", 4);

// Whole lines from a file descriptor, read as they come.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  int fd() const { return fd_; }
  // Reads what is there now; at the end of input the last line counts even
  // without its line end.
  void Fill() {
    char chunk[4096];
    ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) {
      ended_ = true;
      if (!buffer_.empty()) buffer_ += '\n';
      return;
    }
    buffer_.append(chunk, static_cast<std::size_t>(got));
  }
  // The next whole line without its CR LF, or nullopt.
  std::optional<std::string> NextLine() {
    const std::size_t end = buffer_.find('\n');
    if (end == std::string::npos) return std::nullopt;
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  bool exhausted() const { return ended_ && buffer_.empty(); }

 private:
  int fd_;
  std::string buffer_;
  bool ended_ = false;
};

int MillisecondsUntil(SteadyClock::time_point when,
                      SteadyClock::time_point now) {
  const auto left = std::chrono::duration_cast<milliseconds>(when - now);
  return static_cast<int>(std::max<std::int64_t>(0, left.count()) + 1);
}

// Logs the player in and prints the biller's reply; true when accepted.
bool LogPlayerIn(ZoneClient& client, const ZoneToolOptions& options) {
  client.SendReliable(PlayerLoginMessage(*options.player, options.player_id,
                                         kPlayerIp, options.mac, true));
  const auto deadline = SteadyClock::now() + kLoginWait;
  ServerMessage message;
  while (SteadyClock::now() < deadline) {
    const Arrival arrival = ReceiveFromBiller(
        client, MillisecondsUntil(deadline, SteadyClock::now()), message);
    if (arrival == Arrival::kDisconnect) return false;
    if (arrival != Arrival::kMessage) continue;
    PrintLine(DescribeServerMessage(message.message));
    const std::string& m = message.message;
    if (m.size() >= 6 && m[0] == '\x01' &&
        m.substr(2, 4) == Int32ToBytes(options.player_id)) {
      return m[1] == '\x00';
    }
  }
  PrintLine("Player login: no answer");
  return false;
}

// Sends the input lines one at a time and prints the replies. Stops at the
// end of input (once late replies have stopped), when time is up or after
// the quiet time without input or replies.
class Conversation {
 public:
  Conversation(ZoneClient& client, const ZoneToolOptions& options, int input_fd)
      : client_(client),
        options_(options),
        input_(input_fd),
        echo_(!::isatty(input_fd)),
        quiet_(options.quiet_seconds),
        quiet_deadline_(SteadyClock::now() + quiet_),
        replies_until_(SteadyClock::now()) {
    if (options.seconds) {
      end_ = SteadyClock::now() + std::chrono::seconds(*options.seconds);
    }
  }

  // False when the biller disconnected the zone.
  bool Run() {
    for (;;) {
      const SteadyClock::time_point now = SteadyClock::now();
      if (end_ && now >= *end_) {
        PrintLine("Time is up");
        return true;
      }
      if (now >= quiet_deadline_) {
        PrintLine("Quiet for " + std::to_string(options_.quiet_seconds) +
                  " seconds; stopping");
        return true;
      }
      if (draining_ && now >= replies_until_) return true;
      const bool reading = !draining_ && now >= replies_until_;
      if (reading && SendNextLine(now)) continue;
      if (!Wait(now, reading)) return false;
    }
  }

 private:
  // Sends the next whole input line, or starts draining at the end of
  // input; false when there is nothing to do before more input comes.
  bool SendNextLine(SteadyClock::time_point now) {
    std::optional<std::string> line = input_.NextLine();
    if (!line) {
      if (!input_.exhausted()) return false;
      draining_ = true;
      replies_until_ = now + kDrainQuiet;
      return true;
    }
    if (line->empty()) return true;
    if (echo_) PrintLine("> " + EscapeControlBytes(*line));
    if (options_.player) {
      client_.SendReliable(MessageForTypedLine(options_.player_id, *line));
    } else {
      std::fputs("tallyhall-zone: no --player; line not sent\n", stderr);
    }
    replies_until_ = now + kReplyQuiet;
    quiet_deadline_ = now + quiet_;
    return true;
  }

  // Waits for a datagram (and for input when `reading`) and takes what
  // came; false when the biller disconnected the zone.
  bool Wait(SteadyClock::time_point now, bool reading) {
    auto wake =
        reading ? quiet_deadline_ : std::min(quiet_deadline_, replies_until_);
    if (end_) wake = std::min(wake, *end_);
    pollfd fds[2] = {{.fd = client_.fd(), .events = POLLIN, .revents = 0},
                     {.fd = input_.fd(), .events = POLLIN, .revents = 0}};
    if (::poll(fds, reading ? 2 : 1, MillisecondsUntil(wake, now)) <= 0) {
      return true;
    }
    if (fds[0].revents != 0 && !TakeReplies()) return false;
    if (reading && fds[1].revents != 0) {
      input_.Fill();
      quiet_deadline_ = SteadyClock::now() + quiet_;
    }
    return true;
  }

  // Prints every message waiting; false on the biller's Disconnect.
  bool TakeReplies() {
    ServerMessage message;
    Arrival arrival = ReceiveFromBiller(client_, 0, message);
    for (; arrival != Arrival::kNothing;
         arrival = ReceiveFromBiller(client_, 0, message)) {
      if (arrival == Arrival::kDisconnect) return false;
      if (arrival != Arrival::kMessage) continue;
      PrintLine(DescribeServerMessage(message.message));
      const auto now = SteadyClock::now();
      replies_until_ = std::max(replies_until_,
                                now + (draining_ ? kDrainQuiet : kReplyQuiet));
      quiet_deadline_ = now + quiet_;
    }
    return true;
  }

  ZoneClient& client_;
  const ZoneToolOptions& options_;
  LineReader input_;
  const bool echo_;  // input is not a terminal, so lines are shown
  const std::chrono::seconds quiet_;
  std::optional<SteadyClock::time_point> end_;
  SteadyClock::time_point quiet_deadline_;
  SteadyClock::time_point replies_until_;  // no input is read before this
  bool draining_ = false;                  // the input has ended
};

}  // namespace

int RunZoneSession(ZoneClient& client, const ZoneToolOptions& options,
                   int input_fd) {
  if (!LogZoneIn(client, options.zone, options.server)) return kZoneExitFailure;
  bool player_in = false;
  bool connected = true;
  if (options.player) player_in = LogPlayerIn(client, options);
  if (!options.player || player_in) {
    connected = Conversation(client, options, input_fd).Run();
  }
  if (!connected) {
    PrintLine("The biller disconnected the zone");
    return kZoneExitFailure;
  }
  if (player_in) {
    client.SendReliable(PlayerLogoffMessage(options.player_id, 0));
    PrintLine("Player " + EscapeControlBytes(*options.player) + " logged off");
  }
  LogZoneOff(client);
  return options.player && !player_in ? kZoneExitFailure : 0;
}

}  // namespace tallyhall
