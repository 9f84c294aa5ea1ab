// The fixture of the end-to-end tests: a temporary program folder with a
// settings file on a free port, the real server started in it, and zone
// clients that talk to it over UDP on 127.0.0.1.
#ifndef TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_
#define TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_

#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <string>

#include "support/fakes.h"
#include "support/server_process.h"
#include "zone_client/zone_client.h"

namespace tallyhall {

class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = FreeUdpPort();
    WriteSettingsWithPort(folder_.path(), port_);
  }

  // Starts the server and waits for its banner.
  void StartServer() {
    server_ = std::make_unique<ServerProcess>(TALLYHALL_BINARY, folder_.path());
    ASSERT_TRUE(server_->StartAndWaitForBanner()) << server_->Output();
  }

  std::unique_ptr<ZoneClient> NewZone() {
    return std::make_unique<ZoneClient>(port_);
  }

  // Replaces "key=old" with "key=value" in the settings file.
  void SetSetting(const std::string& line, const std::string& replacement) {
    std::string text = ReadFile(File("Tallyhall.ini"));
    text.replace(text.find(line), line.size(), replacement);
    WriteFile(File("Tallyhall.ini"), text);
  }

  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Output() const { return server_->Output(); }

  TempDir folder_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ServerProcess> server_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_
