// Failed ?logins of one zone's players, by name, so that passwords cannot be
// guessed at the speed the server answers. Kept in the ZoneEntry: a player
// who logs off and on again finds his count where he left it.
#ifndef TALLYHALL_ZONES_LOGIN_ATTEMPTS_H_
#define TALLYHALL_ZONES_LOGIN_ATTEMPTS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tallyhall {

// A name with kMaxFailures failures within kWindowMs is locked for the
// kWindowMs that follow: its ?logins are ignored, passwords or not. Names
// compare without regard to ASCII case. At most kMaxNames names are
// followed; while that many have failures or locks that still count, a
// name not among them is treated as locked, so that a crowd of names
// cannot guess without limit.
class LoginAttempts {
 public:
  static constexpr int kMaxFailures = 5;
  static constexpr std::int64_t kWindowMs = 60'000;
  static constexpr std::size_t kMaxNames = 4096;

  // Whether `name` may try a ?login at steady time `now_ms`.
  bool MayTry(std::string_view name, std::int64_t now_ms);
  // Counts a failed ?login of `name`; returns true when it begins a lock.
  // Throws std::bad_alloc, counting nothing, when memory runs out.
  bool RecordFailure(std::string_view name, std::int64_t now_ms);

  // How many names are followed.
  std::size_t size() const { return names_.size(); }

 private:
  struct Record {
    // The times of the latest failures, oldest first; `count` of them.
    std::array<std::int64_t, kMaxFailures> failures{};
    int count = 0;
    std::int64_t locked_until_ms = 0;
  };

  // Whether `record` still counts at `now_ms`: a lock or a failure in the
  // window.
  static bool Counts(const Record& record, std::int64_t now_ms);
  // Forgets the names that no longer count; at most once a second, as it
  // reads every name.
  void ForgetSpent(std::int64_t now_ms);

  std::unordered_map<std::string, Record> names_;  // lower-cased name
  std::int64_t last_forget_ms_ = -kWindowMs;
};

}  // namespace tallyhall

#endif  // TALLYHALL_ZONES_LOGIN_ATTEMPTS_H_
