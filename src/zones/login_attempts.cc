// Failure counts and lock-outs of ?login.
#include "zones/login_attempts.h"

#include <algorithm>

#include "db/encoding.h"

namespace tallyhall {

bool LoginAttempts::Counts(const Record& record, std::int64_t now_ms) {
  return record.locked_until_ms > now_ms ||
         (record.count > 0 &&
          record.failures[static_cast<std::size_t>(record.count - 1)] >
              now_ms - kWindowMs);
}

void LoginAttempts::ForgetSpent(std::int64_t now_ms) {
  if (now_ms - last_forget_ms_ < 1000) return;
  last_forget_ms_ = now_ms;
  std::erase_if(
      names_, [&](const auto& entry) { return !Counts(entry.second, now_ms); });
}

bool LoginAttempts::MayTry(std::string_view name, std::int64_t now_ms) {
  const auto found = names_.find(ToLower(name));
  if (found != names_.end()) return found->second.locked_until_ms <= now_ms;
  if (names_.size() < kMaxNames) return true;
  ForgetSpent(now_ms);
  return names_.size() < kMaxNames;
}

bool LoginAttempts::RecordFailure(std::string_view name, std::int64_t now_ms) {
  Record& record = names_[ToLower(name)];
  // Failures older than the window no longer count.
  const auto first_counted = std::find_if(
      record.failures.begin(), record.failures.begin() + record.count,
      [&](std::int64_t at) { return at > now_ms - kWindowMs; });
  const auto kept =
      std::copy(first_counted, record.failures.begin() + record.count,
                record.failures.begin());
  record.count = static_cast<int>(kept - record.failures.begin());
  record.failures[static_cast<std::size_t>(record.count++)] = now_ms;
  if (record.count < kMaxFailures) return false;
  record.count = 0;
  record.locked_until_ms = now_ms + kWindowMs;
  return true;
}

}  // namespace tallyhall
