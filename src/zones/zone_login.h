// Zone login and logoff: the password and registration rules, and the only
// two operations that add a zone to the table and remove it.
#ifndef TALLYHALL_ZONES_ZONE_LOGIN_H_
#define TALLYHALL_ZONES_ZONE_LOGIN_H_

#include <cstdint>
#include <string_view>

#include "base/address.h"
#include "db/database_files.h"

namespace tallyhall {

class ServerCore;

// Offsets of the zone login datagram (00 03, sequence, type, then):
// ServerID 7 (4), GroupID 11 (4), ScoreID 15 (4), ServerName 19 (126,
// NUL-padded), GamePort 145 (2), password 147 (24, NUL-padded).
inline constexpr std::size_t kZoneLoginServerId = 7;
inline constexpr std::size_t kZoneLoginGroupId = 11;
inline constexpr std::size_t kZoneLoginScoreId = 15;
inline constexpr std::size_t kZoneLoginName = 19;
inline constexpr std::size_t kZoneLoginNameSize = 126;
inline constexpr std::size_t kZoneLoginGamePort = 145;
inline constexpr std::size_t kZoneLoginPassword = 147;
inline constexpr std::size_t kZoneLoginPasswordSize = 24;

// A reliable message from a sender that is not a connected zone, read as a
// zone login: acknowledged and added with its databases, or answered with
// Disconnect. A zone with a valid password whose database file exists but
// cannot be read is refused too, before it is registered or acknowledged,
// with one line naming the file; nothing is written then. A file with a
// pending copy is not read: the zone takes the copy over.
void ZoneLogin(ServerCore& core, const Address& sender,
               std::string_view datagram);

// Disconnect from connected zone `zone_id`: two terminal lines, then
// RemoveZone.
void ZoneLogoff(ServerCore& core, std::int32_t zone_id, const Address& sender);

// Sends Disconnect to the zone, saves its databases and removes it from the
// table; its players are dropped without a logoff, and the databases its
// save could not write become pending. Returns whether they were saved.
bool RemoveZone(ServerCore& core, std::int32_t zone_id);

// Sends what the transport holds back, then saves the zone's databases.
// Returns whether they were saved; a failed write also sets the zone's
// save_failed, a good one clears it. `unwritten`, when given, receives the
// databases that were to be written and were not.
bool SaveZoneDatabases(ServerCore& core, std::int32_t zone_id,
                       DatabaseSet* unwritten = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_ZONES_ZONE_LOGIN_H_
