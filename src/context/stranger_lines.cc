// Allowances of terminal lines for senders that are not logged-in zones.
#include "context/stranger_lines.h"

#include <algorithm>

#include "db/encoding.h"

namespace tallyhall {
namespace {

// The address's four bytes as one number, first byte highest, so that the
// order of numbers is the order of the dotted texts.
std::uint32_t IpKey(const Address& sender) {
  std::uint32_t key = 0;
  for (std::uint8_t byte : sender.ip) key = key << 8 | byte;
  return key;
}

std::string IpTextOfKey(std::uint32_t key) {
  std::string bytes(4, '\0');
  for (int i = 3; i >= 0; --i, key >>= 8) {
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(key & 0xFF);
  }
  return IpText(bytes);
}

}  // namespace

bool StrangerLines::Take(Allowance& allowance, std::int64_t now_ms) {
  const std::int64_t next =
      std::max(allowance.whole_at_ms, now_ms) + kIntervalMs;
  if (next - now_ms > kBurst * kIntervalMs) {
    ++allowance.left_out;
    return false;
  }
  allowance.whole_at_ms = next;
  return true;
}

bool StrangerLines::Admit(const Address& sender, std::int64_t now_ms) {
  const std::uint32_t ip = IpKey(sender);
  auto found = addresses_.find(ip);
  if (found == addresses_.end()) {
    if (addresses_.size() >= kMaxAddresses) return Take(others_, now_ms);
    found = addresses_.emplace(ip, Allowance{.whole_at_ms = now_ms}).first;
  }
  return Take(found->second, now_ms);
}

std::vector<std::string> StrangerLines::TakeReport(std::int64_t now_ms) {
  std::vector<std::string> report;
  auto report_line = [&](std::int64_t lines, std::string_view from) {
    report.push_back(DecimalText(lines) + " lines from " + std::string(from) +
                     " were not shown");
  };
  for (auto it = addresses_.begin(); it != addresses_.end();) {
    Allowance& allowance = it->second;
    if (allowance.left_out > 0) {
      report_line(allowance.left_out, IpTextOfKey(it->first));
      allowance.left_out = 0;
    }
    it = allowance.whole_at_ms <= now_ms ? addresses_.erase(it) : std::next(it);
  }
  if (others_.left_out > 0) {
    report_line(others_.left_out, "other addresses");
    others_.left_out = 0;
  }
  return report;
}

}  // namespace tallyhall
