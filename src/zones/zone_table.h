// The zone table: one ZoneEntry per connected zone server, each with its
// players and its three databases. ZoneIDs and player indices are positions
// from 1; removing an entry moves every later one down by one.
#ifndef TALLYHALL_ZONES_ZONE_TABLE_H_
#define TALLYHALL_ZONES_ZONE_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/address.h"
#include "db/database_files.h"
#include "zones/login_attempts.h"
#include "zones/present_names.h"

namespace tallyhall {

// A player present in one zone, from his login to his logoff or the removal
// of his zone. Operator flags are -1 while held, else 0.
struct ZonePlayer {
  std::string PlayerName;  // as received, at most 24 bytes
  std::int32_t MacID = 0;
  std::int32_t IP = 0;  // the 4 address bytes as received, little-endian
  std::int32_t PlayerID = 0;
  std::string ChatChannels;  // names separated by ",", at most 128 bytes
  std::int16_t IsMessageOp = 0;
  std::int16_t IsAccountOp = 0;
  std::int16_t IsSysOp = 0;
  std::int32_t UserID = 0;
  std::string SwapName;
  // Ticket of his greeting while it is queued (0: none); whoever removes
  // the player cancels it.
  std::uint64_t GreetingTicket = 0;
};

// A connected zone. Owned by the ZoneTable from its accepted login until its
// removal; a ZoneEntry& stays valid until then, even when earlier zones are
// removed (its ZoneID changes, its address does not).
struct ZoneEntry {
  std::int32_t SendSequence = 0;
  std::string ServerName;
  std::int16_t GamePort = 0;
  Address address;
  // Changed only by AppendPlayer and RemovePlayer, which keep
  // present_names equal to the players' names.
  std::vector<ZonePlayer> Players;
  PresentNames present_names;
  // Failed ?logins of the zone's players; outlives their logoffs.
  LoginAttempts login_attempts;
  std::int32_t ServerID = 0;
  std::int32_t GroupID = 0;
  std::int32_t ScoreID = 0;
  ZoneDatabases databases;
  // True once the databases are in memory. A zone whose files cannot be
  // read is refused at login, so every zone in the table has them.
  bool databases_loaded = false;
  // True while the zone's last save failed: every 30-second tick tries again
  // until one succeeds.
  bool save_failed = false;
  // Steady time (Clock::SteadyMilliseconds) of the last good save; -1 before.
  std::int64_t last_save_ms = -1;
  // Unique for each accepted login; tells a zone from a later one that took
  // its position in the table.
  std::uint64_t serial = 0;

  std::int32_t PlayerCount() const {
    return static_cast<std::int32_t>(Players.size());
  }
  DatabaseIds Ids() const { return {ServerID, GroupID, ScoreID}; }
  // ServerName + "(ServerID:" + ServerID + " GroupID:" + GroupID +
  // " ScoreID:" + ScoreID; the caller closes the parenthesis.
  std::string LogPrefix() const;
  // The player at `index` (1..PlayerCount); fails with "Subscript out of
  // range" otherwise.
  ZonePlayer& Player(std::int32_t index);
};

// The zone log prefix of a zone that is not (yet) in the table.
std::string ZoneLogPrefix(std::string_view name, std::int32_t server_id,
                          std::int32_t group_id, std::int32_t score_id);

class ZoneTable {
 public:
  std::int32_t ZoneCount() const {
    return static_cast<std::int32_t>(zones_.size());
  }

  // The zone at `zone_id` (1..ZoneCount); fails with "Subscript out of
  // range" otherwise.
  ZoneEntry& Zone(std::int32_t zone_id);
  const ZoneEntry& Zone(std::int32_t zone_id) const;

  // The first zone with the same IPv4 address and port; 0 when none.
  // Answered from an index kept by Append and Remove, so a zone's address
  // must not change while it is in the table.
  std::int32_t FindZoneByAddress(const Address& address) const;
  // The ZoneID of a zone held in the table; 0 when it has left.
  std::int32_t ZoneIdOf(const ZoneEntry& zone) const;

  // Appends a zone and returns its ZoneID.
  std::int32_t Append(std::unique_ptr<ZoneEntry> zone);
  // Removes zone `zone_id`; later zones move down by one.
  void Remove(std::int32_t zone_id);

 private:
  // One slot of the address index: an address and port packed into one
  // number, and the ZoneID of the first zone with them (0: empty slot).
  struct AddressSlot {
    std::uint64_t key = 0;
    std::int32_t zone_id = 0;
  };

  // The slot holding `key`, or the empty slot where it belongs.
  std::size_t SlotFor(std::uint64_t key) const;
  // Indexes the zone at `position` (from 0) unless an earlier zone has its
  // address; the index must have room.
  void IndexZone(std::size_t position);
  // Builds the index again from the table, in table order, at a size that
  // fits it.
  void IndexAddresses();

  std::vector<std::unique_ptr<ZoneEntry>> zones_;
  // Open addressing with linear probing; the size is a power of two and at
  // least twice the number of zones, so a lookup hashes once and mostly
  // reads one slot.
  std::vector<AddressSlot> address_slots_;
};

// The first player of the zone with this PlayerID; 0 when none.
std::int32_t FindPlayerByID(const ZoneEntry& zone, std::int32_t player_id);
// The first player whose name equals `name` without regard to ASCII case
// (no trimming); 0 when none. An absent name costs no walk.
std::int32_t FindPlayerByName(const ZoneEntry& zone, std::string_view name);
// Whether a player whose name equals `name` without regard to ASCII case is
// present; the same cost at any number of players.
bool PlayerNamePresent(const ZoneEntry& zone, std::string_view name);
// Appends `player` to the zone's list and returns it. Throws std::bad_alloc
// or std::length_error, changing nothing, when the list cannot grow.
ZonePlayer& AppendPlayer(ZoneEntry& zone, ZonePlayer player);
// Removes the player at `index`; later players move down by one. An index
// outside 1..PlayerCount changes nothing.
void RemovePlayer(ZoneEntry& zone, std::int32_t index);

}  // namespace tallyhall

#endif  // TALLYHALL_ZONES_ZONE_TABLE_H_
