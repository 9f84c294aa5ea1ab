// The start-up banner is followed by one warning for each password that still
// has its published default value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/server_events.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using StartupWarningsTest = CoreTest;

std::string WarningFor(const std::string& key) {
  return "Warning: " + key +
         " still has its default value; change it in Tallyhall.ini";
}

TEST_F(StartupWarningsTest, EachDefaultPasswordIsNamedAfterTheBanner) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> changes;
    std::vector<std::string> warned;
  };
  const Case cases[] = {
      {{},
       {"BillingPassword", "MessageOpPassword", "AccountOpPassword",
        "SysOpPassword"}},
      {{{"BillingPassword", "x1"}, {"SysOpPassword", "x2"}},
       {"MessageOpPassword", "AccountOpPassword"}},
      // Passwords compare exactly: another letter case is another password.
      {{{"MessageOpPassword", "HERALDICFERN"},
        {"AccountOpPassword", "treasuryquail2"},
        {"BillingPassword", "ledger"},
        {"SysOpPassword", "Wardenfox"}},
       {}},
  };
  for (const Case& c : cases) {
    for (const char* key : {"BillingPassword", "MessageOpPassword",
                            "AccountOpPassword", "SysOpPassword"}) {
      ASSERT_TRUE(
          core_.settings_file()
              .WriteSetting("Passwords", key, DefaultSetting("Passwords", key))
              .ok());
    }
    for (const auto& [key, value] : c.changes) {
      ASSERT_TRUE(
          core_.settings_file().WriteSetting("Passwords", key, value).ok());
    }
    WriteBanner(core_);
    std::vector<std::string> expected = {
        "Biller port 4000 is open. Waiting for Game Server(s) connection"};
    for (const std::string& key : c.warned) expected.push_back(WarningFor(key));
    EXPECT_EQ(TakeLines(), expected) << c.warned.size();
  }
}

}  // namespace
}  // namespace tallyhall
