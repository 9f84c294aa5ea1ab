// The limit on terminal lines caused by senders that are not logged-in
// zones. Anyone can send a refused zone login many thousand times a second;
// without a limit each one would cost two terminal lines on stdout and in
// Terminal.log. A zone's own lines never pass through here.
#ifndef TALLYHALL_CONTEXT_STRANGER_LINES_H_
#define TALLYHALL_CONTEXT_STRANGER_LINES_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/address.h"

namespace tallyhall {

// Per sending IPv4 address, whatever its port: the first kBurst lines of a
// burst are written, then at most kPerSecond a second; the others are
// counted. The counts are reported (and reset) by TakeLeftOut at the next
// 30-second tick. At most kMaxAddresses addresses are followed at a time;
// lines from any other address share one more allowance of the same size,
// so a flood from many addresses cannot grow the limiter's memory.
class StrangerLines {
 public:
  static constexpr std::int64_t kBurst = 20;
  static constexpr std::int64_t kPerSecond = 5;
  static constexpr std::size_t kMaxAddresses = 1024;

  // Whether one more line caused by `sender` (its IPv4 address; the port
  // does not count) may be written at steady time `now_ms`; when not, the
  // line is counted as left out.
  bool Admit(const Address& sender, std::int64_t now_ms);

  // One line for each address with lines left out since the last call, in
  // address order: N + " lines from " + address + " were not shown"; then
  // N + " lines from other addresses were not shown" for the addresses not
  // followed one by one. The counts start again from 0, and addresses whose
  // allowance is whole again are forgotten, which makes room for others.
  std::vector<std::string> TakeReport(std::int64_t now_ms);

  // How many addresses are followed one by one.
  std::size_t size() const { return addresses_.size(); }

 private:
  // The time from which the allowance is whole again, advanced by
  // kIntervalMs for every line written (a generic cell rate: a line may be
  // written while this stays within kBurst intervals of now).
  struct Allowance {
    std::int64_t whole_at_ms = 0;
    std::int64_t left_out = 0;
  };
  static constexpr std::int64_t kIntervalMs = 1000 / kPerSecond;

  static bool Take(Allowance& allowance, std::int64_t now_ms);

  std::map<std::uint32_t, Allowance> addresses_;  // ordered: reports are too
  Allowance others_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_STRANGER_LINES_H_
