// The memory of failed ?logins stays bounded: past kMaxNames names with
// failures that still count, an unknown name may not try at all.
#include "zones/login_attempts.h"

#include <gtest/gtest.h>

#include <string>

namespace tallyhall {
namespace {

TEST(LoginAttemptsTest, AFullTableLetsNoNewNameTryUntilFailuresAge) {
  LoginAttempts attempts;
  for (std::size_t i = 0; i < LoginAttempts::kMaxNames; ++i) {
    EXPECT_FALSE(attempts.RecordFailure("n" + std::to_string(i), 0));
  }
  EXPECT_TRUE(attempts.MayTry("n1", 0));
  EXPECT_FALSE(attempts.MayTry("newcomer", 30'000));
  EXPECT_EQ(attempts.size(), LoginAttempts::kMaxNames);
  EXPECT_TRUE(attempts.MayTry("newcomer", LoginAttempts::kWindowMs));
  EXPECT_EQ(attempts.size(), 0u);
}

}  // namespace
}  // namespace tallyhall
