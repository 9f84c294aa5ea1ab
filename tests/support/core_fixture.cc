// Helpers of the core's unit-test fixture.
#include "support/core_fixture.h"

#include "db/encoding.h"
#include "shell/server_events.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {

CoreTest::CoreTest()
    : view_(1000),
      core_(folder_.path(), transport_, clock_, &view_, scheduler_) {
  EXPECT_TRUE(Start(core_).ok());
  TakeLines();
}

Address CoreTest::ZoneAddress(int n) {
  Address address;
  address.ip = {127, 0, 0, 1};
  address.port = static_cast<std::uint16_t>(40000 + n);
  return address;
}

void CoreTest::Receive(const Address& from, std::string_view datagram) {
  OnDatagram(core_, from, datagram);
}

void CoreTest::ReceiveReliable(const Address& from, std::string_view message,
                               std::int32_t sequence) {
  Receive(from, std::string("\x00\x03", 2) + Int32ToBytes(sequence) +
                    std::string(message));
}

std::int32_t CoreTest::LoginZone(int n, const std::string& name) {
  ZoneLoginFields fields;
  fields.name = name;
  return LoginZone(n, fields);
}

std::int32_t CoreTest::LoginZone(int n, const ZoneLoginFields& fields) {
  ReceiveReliable(ZoneAddress(n), ZoneLoginMessage(fields));
  TakeSent(ZoneAddress(n));
  return core_.zones().FindZoneByAddress(ZoneAddress(n));
}

std::int32_t CoreTest::LoginZoneWithOwnUsers(int n, const std::string& name) {
  ZoneLoginFields fields;
  fields.name = name;
  fields.server_id = n;
  return LoginZone(n, fields);
}

void OnePlayerTest::SetUp() {
  LoginZone(1, "Main");
  AddPresentPlayer(1, "Ann", 5);
  TakeLines();
}

CommandContext CoreTest::Context(int zone_id, std::int32_t index,
                                 std::string_view text) {
  ZoneEntry& zone = Zone(zone_id);
  ZonePlayer& player = zone.Player(index);
  return CommandContext{.core = core_,
                        .zone_id = zone_id,
                        .zone = zone,
                        .player = player,
                        .player_id = player.PlayerID,
                        .text = text};
}

void CoreTest::LoginPlayer(int n, const std::string& name,
                           std::int32_t player_id, std::int32_t mac,
                           std::string ip) {
  const std::string message =
      PlayerLoginMessage(name, player_id, ip, mac, /*confirmed=*/true);
  ReceiveReliable(ZoneAddress(n), message);
  TakeSent(ZoneAddress(n));
}

ZonePlayer& CoreTest::AddPresentPlayer(int zone_id, std::string name,
                                       std::int32_t player_id) {
  ZonePlayer player;
  player.PlayerName = std::move(name);
  player.PlayerID = player_id;
  return AppendPlayer(Zone(zone_id), std::move(player));
}

void CoreTest::Type(int n, std::int32_t player_id, std::string_view text) {
  ReceiveReliable(ZoneAddress(n), CommandMessage(player_id, text));
}

std::vector<std::string> CoreTest::TakeSent(const Address& to) {
  std::vector<std::string> taken;
  std::vector<SentDatagram> kept;
  for (SentDatagram& sent : transport_.sent) {
    if (sent.to == to) {
      taken.push_back(std::move(sent.bytes));
    } else {
      kept.push_back(std::move(sent));
    }
  }
  transport_.sent = std::move(kept);
  return taken;
}

std::vector<std::string> CoreTest::RepliesTo(int n, std::int32_t player_id) {
  std::vector<std::string> replies;
  const std::string header = std::string("\x09", 1) + Int32ToBytes(player_id);
  std::vector<SentDatagram> kept;
  for (SentDatagram& sent : transport_.sent) {
    auto message = DecodeReliable(sent.bytes);
    if (sent.to != ZoneAddress(n) || !message ||
        !message->message.starts_with(header)) {
      kept.push_back(std::move(sent));
      continue;
    }
    std::string text = message->message.substr(header.size());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    replies.push_back(std::move(text));
  }
  transport_.sent = std::move(kept);
  return replies;
}

std::vector<std::string> CoreTest::TakeLines() {
  std::vector<std::string> texts = view_.Texts();
  std::vector<std::string> fresh(texts.begin() + static_cast<long>(lines_seen_),
                                 texts.end());
  lines_seen_ = texts.size();
  return fresh;
}

}  // namespace tallyhall
