// The packet fuzzer's input format, and the zone traffic that its set-up and
// its seed inputs are made of (built with the zone client's message
// builders).
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

#include "base/address.h"
#include "zone_client/zone_client.h"
#include "zone_client/zone_messages.h"

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

// A reliable message as a zone server sends it: 00 03, `sequence`, message.
std::string Reliable(std::int32_t sequence, std::string_view message);
// A player login as the fuzz zones send it: from 10.1.2.3 with `mac`.
std::string FuzzLogin(std::string_view name, std::int32_t player_id,
                      std::int32_t mac, bool confirmed);

// Commands that make the set-up's operators and chat channels.
std::vector<std::string> SetupCommands(std::int32_t player_id);

// The seed inputs, by file name: zone traffic as the end-to-end tests send
// it (zone logins and logoffs, player logins, commands, chat, reports and
// timer events), written to tests/fuzz/corpus by make_seeds.
std::vector<std::pair<std::string, std::string>> SeedInputs();

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_
