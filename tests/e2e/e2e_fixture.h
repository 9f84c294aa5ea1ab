// The fixture of the end-to-end tests: a temporary program folder with a
// settings file on a free port, the real server started in it, and zone
// clients that talk to it over UDP on 127.0.0.1.
#ifndef TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_
#define TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/encoding.h"
#include "support/fakes.h"
#include "support/server_process.h"
#include "zone_client/zone_client.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {

// Player login message 04 from IP 10.1.2.3; `confirmed` lets a new player
// in at once.
inline std::string PlayerLogin(std::string_view name, std::int32_t player_id,
                               bool confirmed, std::int32_t mac = 777) {
  return PlayerLoginMessage(name, player_id, Hex("0a 01 02 03"), mac,
                            confirmed);
}

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

  // Sends a reliable message and returns the messages the server sends back
  // (acknowledgements skipped).
  static std::vector<ServerMessage> Exchange(ZoneClient& zone,
                                             std::string_view message) {
    zone.SendReliable(message);
    return zone.ReceiveMessages();
  }

  // The text of a 09 reply to `player_id` (the message without its header
  // and closing NUL); "<not a reply>" for any other message.
  static std::string ReplyText(const ServerMessage& got,
                               std::int32_t player_id) {
    const std::string header = PlayerMessage('\x09', player_id, "");
    if (!got.message.starts_with(header)) return "<not a reply>";
    return got.message.substr(header.size(),
                              got.message.size() - header.size() - 1);
  }

  // The player types `text` in `zone`; the texts of every message sent back.
  static std::vector<std::string> Type(ZoneClient& zone, std::int32_t player_id,
                                       std::string_view text) {
    std::vector<std::string> texts;
    for (const ServerMessage& got :
         Exchange(zone, CommandMessage(player_id, text))) {
      texts.push_back(ReplyText(got, player_id));
    }
    return texts;
  }

  // Starts the server and logs one zone in with the default fields.
  std::unique_ptr<ZoneClient> StartWithZone() {
    StartServer();
    std::unique_ptr<ZoneClient> zone = NewZone();
    EXPECT_EQ(zone->LogIn(ZoneLoginFields{}), Hex("00 04 00 00 00 00"));
    return zone;
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

  // Waits up to two seconds for the file `name` to end with `tail`: a
  // terminal line may reach stdout before the file is appended.
  bool WaitForFileEnding(const std::string& name, std::string_view tail) {
    for (int tries = 0; tries < 200; ++tries) {
      if (ReadFile(File(name)).ends_with(tail)) return true;
      ::usleep(10'000);
    }
    return false;
  }

  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string Output() const { return server_->Output(); }

  TempDir folder_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ServerProcess> server_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_E2E_E2E_FIXTURE_H_
