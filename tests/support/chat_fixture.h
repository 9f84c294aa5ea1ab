// The fixture shared by the chat routing, ?chat and ?find tests: zone 1
// "Main" holds Ann (PlayerID 5, channels lobby,team); zone 2 is "Side".
#ifndef TALLYHALL_TESTS_SUPPORT_CHAT_FIXTURE_H_
#define TALLYHALL_TESTS_SUPPORT_CHAT_FIXTURE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/encoding.h"
#include "support/core_fixture.h"

namespace tallyhall {

class ChatFixture : public OnePlayerTest {
 protected:
  void SetUp() override {
    OnePlayerTest::SetUp();
    LoginZone(2, "Side");
    TakeLines();
    Ann().ChatChannels = "lobby,team";
  }
  // Puts a player straight into zone `zone`'s list; `ip` in hex.
  ZonePlayer& Add(int zone, std::string name, std::int32_t id,
                  std::string channels = "", std::int32_t mac = 0,
                  std::string_view ip = "") {
    ZonePlayer& player = AddPresentPlayer(zone, std::move(name), id);
    player.ChatChannels = std::move(channels);
    player.MacID = mac;
    player.IP = BytesToInt32(Hex(ip));
    return player;
  }
};

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_SUPPORT_CHAT_FIXTURE_H_
