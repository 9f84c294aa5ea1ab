// The packet fuzzer's input format, and the zone traffic that its set-up and
// its seed inputs are made of (built with the zone client's message
// builders).
//
// An input is chunks joined by kChunkSeparator. A chunk's first byte picks
// the event: kTickSelector runs the timers, kWriteFaultSelector and
// kReadFaultSelector make file operations fail (see FileFault), any other
// value v is a datagram from sender v % 3 (zone one, zone two, or an address
// that is no zone) made of the chunk's remaining bytes.
#ifndef TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_
#define TALLYHALL_TESTS_FUZZ_FUZZ_TRAFFIC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/address.h"
#include "db/database_files.h"
#include "zone_client/zone_client.h"
#include "zone_client/zone_messages.h"

namespace tallyhall {

inline constexpr std::string_view kChunkSeparator{"\xA7\x5E\xC1\x3D", 4};
inline constexpr unsigned char kTickSelector = 0xFF;
inline constexpr unsigned char kWriteFaultSelector = 0xFE;
inline constexpr unsigned char kReadFaultSelector = 0xFD;
inline constexpr int kSenderCount = 3;

// The sender of selector `v`: zone one (127.0.0.1:41001), zone two
// (127.0.0.1:41002) or a stranger (127.0.0.2:41003).
Address SenderAddress(unsigned char selector);

// The chunks of an input, in order; empty chunks are dropped.
std::vector<std::string_view> SplitChunks(std::string_view input);

// The files a fault names.
enum class FaultFile { kUser, kSquad, kScore, kSettings };

// A fault instruction: the bytes after its selector are file, error and
// count. The file byte b names kind b % 4 (User, Squad, Score, the settings
// file) with identifier b / 4 % 4, where 0 stands for every identifier of
// that kind. The error byte is ENOSPC when even, EIO when odd. For writes,
// the count byte is how many writes of the file fail from now on, and 0
// ends every write fault (the disk is free again); a read fault fails the
// next read of the file once. Missing bytes read as 0, except a missing
// count, which reads as 1.
struct FileFault {
  std::string name;  // "User.2", "Tallyhall.ini", or "Score." for any Score
  int error = 0;     // errno value
  int count = 1;
};
FileFault ReadFileFault(std::string_view payload);
// The chunk (selector included) of a fault instruction.
std::string FileFaultChunk(unsigned char selector, FaultFile file,
                           int identifier, int error, int count = 1);
// Whether `fault` names the file called `file_name` (no folder).
bool FaultNames(const FileFault& fault, std::string_view file_name);

// The two zones the fuzzer logs in, and their players (PlayerIDs 1 to 3 in
// each zone; the first holds every operator level and two chat channels).
// Each identifier of one zone is also an identifier of the other, of
// another kind (User.1, Squad.2, Score.3 and User.2, Squad.3, Score.1), so
// that anything kept by identifier instead of by file name mixes them up.
ZoneLoginFields FuzzZone(int n);
DatabaseIds FuzzZoneIds(int n);
inline constexpr const char* kFuzzPlayers[] = {"Warden", "Keeper", "Plain"};
// The MacID of set-up player `id` (1 to 3) of zone `n`; a few stored names
// of the zone share it.
std::int32_t FuzzMac(int n, std::int32_t id);
// The starting databases of zone `n`: kFuzzUsers users (the set-up players
// first), kFuzzSquads squads and a score record for every user.
inline constexpr int kFuzzUsers = 300;
inline constexpr int kFuzzSquads = 60;
struct StartingFiles {
  std::string user, squad, score;
};
StartingFiles FuzzDatabases(int n);

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
