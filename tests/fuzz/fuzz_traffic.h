// The packet fuzzer's input format, and the zone traffic that its set-up and
// its seed inputs are made of.
//
// An input is chunks joined by kChunkSeparator. A chunk's first byte picks
// the event: kTickSelector runs the timers, any other value v is a datagram
// from sender v % 3 (zone one, zone two, or an address that is no zone)
// made of the chunk's remaining bytes.
#ifndef TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_
#define TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/address.h"
#include "support/zone_client.h"

namespace tallyhall {

inline constexpr std::string_view kChunkSeparator{"\xA7\x5E\xC1\x3D", 4};
inline constexpr unsigned char kTickSelector = 0xFF;
inline constexpr int kSenderCount = 3;

// The sender of selector `v`: zone one (127.0.0.1:41001), zone two
// (127.0.0.1:41002) or a stranger (127.0.0.2:41003).
Address SenderAddress(unsigned char selector);

// The chunks of an input, in order; empty chunks are dropped.
std::vector<std::string_view> SplitChunks(std::string_view input);

// The two zones the fuzzer logs in, and their players (PlayerIDs 1 to 3 in
// each zone; the first holds every operator level and two chat channels).
ZoneLoginFields FuzzZone(int n);
inline constexpr const char* kFuzzPlayers[] = {"Warden", "Keeper", "Plain"};

// Builders of datagrams as a zone server sends them.
std::string Reliable(std::int32_t sequence, std::string_view message);
std::string PlayerLogin(std::string_view name, std::int32_t player_id,
                        std::int32_t mac, bool confirmed);
// Message `type` + PlayerID + `rest` (data block, score update, ...).
std::string PlayerMessage(char type, std::int32_t player_id,
                          std::string_view rest);
// Message 13: the player types `text`.
std::string Command(std::int32_t player_id, std::string_view text);
// Message 05: usage seconds and a 14-byte score block.
std::string PlayerLogoff(std::int32_t player_id, std::int16_t usage,
                         std::string_view scores);
// Message 0E: a line to the player's chat channel `digit`.
std::string ChannelLine(std::int32_t player_id, char digit,
                        std::string_view text);

// Commands that make the set-up's operators and chat channels.
std::vector<std::string> SetupCommands(std::int32_t player_id);

// The seed inputs, by file name: zone traffic as the end-to-end tests send
// it (zone logins and logoffs, player logins, commands, chat, reports and
// timer events), written to tests/fuzz/corpus by make_seeds.
std::vector<std::pair<std::string, std::string>> SeedInputs();

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_
