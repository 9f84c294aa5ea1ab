// What the server counts for its metrics: plain integers that the handlers
// bump as they go, and two histograms of durations. The counters are owned
// by the ServerCore and touched only on the loop's thread; the metrics text
// is built from them (and from the zone table) only when it is published.
#ifndef TALLYHALL_CONTEXT_COUNTERS_H_
#define TALLYHALL_CONTEXT_COUNTERS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "context/transport.h"

namespace tallyhall {

// Bucket bounds in seconds. Saves include an fsync of three files; a loop
// turn is normally well under a millisecond, so its slow buckets are the
// stalls.
inline constexpr std::array<double, 10> kSaveSecondsBounds = {
    0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 10};
inline constexpr std::array<double, 12> kTurnSecondsBounds = {
    0.0001, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1};

// A histogram with fixed upper bounds; the last bucket (+Inf) takes what no
// bound does. Buckets are kept one by one and summed up when written.
template <std::size_t kBounds>
class Histogram {
 public:
  explicit constexpr Histogram(const std::array<double, kBounds>& bounds)
      : bounds_(bounds) {}

  void Observe(double value) {
    std::size_t bucket = 0;
    while (bucket < kBounds && value > bounds_[bucket]) ++bucket;
    ++buckets_[bucket];
    sum_ += value;
  }

  std::span<const double> bounds() const { return bounds_; }
  // Per bucket, not cumulative; one more than bounds().
  std::span<const std::uint64_t> buckets() const { return buckets_; }
  double sum() const { return sum_; }

 private:
  const std::array<double, kBounds>& bounds_;
  std::array<std::uint64_t, kBounds + 1> buckets_{};
  double sum_ = 0;
};

// How a player login ended: a known player, a new player added, a new
// player asked to confirm, a new player refused (AllowNewUsers off).
enum class LoginResult { kKnown, kNew, kAsked, kRefused };
inline constexpr std::size_t kLoginResults = 4;

// The command table's words; one more slot counts text that matches none.
inline constexpr std::size_t kCommandWords = 49;
inline constexpr std::size_t kUnknownCommand = kCommandWords;

struct Counters {
  // Traffic. Received counts every datagram read, the dropped ones too.
  std::uint64_t datagrams_received = 0;
  std::uint64_t bytes_received = 0;
  std::uint64_t datagrams_sent = 0;
  std::uint64_t bytes_sent = 0;
  std::uint64_t acknowledgements_sent = 0;
  std::uint64_t dropped_too_long = 0;
  std::uint64_t dropped_unknown_sender = 0;
  std::uint64_t dropped_not_understood = 0;

  // Work.
  std::array<std::uint64_t, kLoginResults> logins{};
  std::uint64_t logoffs = 0;
  std::uint64_t arena_messages = 0;
  std::uint64_t chat_messages = 0;
  // By position in the command table (kUnknownCommand: no word matched):
  // [0] ran, [1] refused by the level its entry needs.
  std::array<std::array<std::uint64_t, 2>, kCommandWords + 1> commands{};

  // Databases.
  std::uint64_t saves_succeeded = 0;
  std::uint64_t saves_failed = 0;
  Histogram<kSaveSecondsBounds.size()> save_seconds{kSaveSecondsBounds};

  // Health: every turn of the loop (a batch of datagrams or one timer
  // event), measured by the loop.
  Histogram<kTurnSecondsBounds.size()> loop_turn_seconds{kTurnSecondsBounds};

  void CountLogin(LoginResult result) {
    ++logins[static_cast<std::size_t>(result)];
  }
  void CountCommand(std::size_t word, bool allowed) {
    ++commands[word][allowed ? 0 : 1];
  }
};

// Forwards every datagram the core sends to the loop's transport and counts
// it. Acknowledgements are the datagrams that begin 00 04.
class CountingTransport : public Transport {
 public:
  // Both must outlive this object.
  CountingTransport(Transport& transport, Counters& counters)
      : transport_(transport), counters_(counters) {}

  void SendDatagram(const Address& to, std::string_view bytes) override {
    ++counters_.datagrams_sent;
    counters_.bytes_sent += bytes.size();
    if (bytes.starts_with(std::string_view("\x00\x04", 2))) {
      ++counters_.acknowledgements_sent;
    }
    transport_.SendDatagram(to, bytes);
  }
  void Flush() override { transport_.Flush(); }

 private:
  Transport& transport_;
  Counters& counters_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_COUNTERS_H_
