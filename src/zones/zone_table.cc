// The zone and player tables: lookups by address, PlayerID and name.
#include "zones/zone_table.h"

#include "base/failure.h"
#include "db/encoding.h"

namespace tallyhall {
namespace {

// The address's four bytes and its port as one number.
std::uint64_t AddressKey(const Address& address) {
  std::uint64_t key = 0;
  for (std::uint8_t byte : address.ip) key = key << 8 | byte;
  return key << 16 | address.port;
}

constexpr std::size_t kFewestSlots = 8;

}  // namespace

std::string ZoneLogPrefix(std::string_view name, std::int32_t server_id,
                          std::int32_t group_id, std::int32_t score_id) {
  return std::string(name) + "(ServerID:" + DecimalText(server_id) +
         " GroupID:" + DecimalText(group_id) +
         " ScoreID:" + DecimalText(score_id);
}

std::string ZoneEntry::LogPrefix() const {
  return ZoneLogPrefix(ServerName, ServerID, GroupID, ScoreID);
}

ZonePlayer& ZoneEntry::Player(std::int32_t index) {
  if (index < 1 || index > PlayerCount()) {
    Fail(FailureKind::kSubscriptOutOfRange);
  }
  return Players[index - 1];
}

ZoneEntry& ZoneTable::Zone(std::int32_t zone_id) {
  if (zone_id < 1 || zone_id > ZoneCount()) {
    Fail(FailureKind::kSubscriptOutOfRange);
  }
  return *zones_[zone_id - 1];
}

const ZoneEntry& ZoneTable::Zone(std::int32_t zone_id) const {
  return const_cast<ZoneTable*>(this)->Zone(zone_id);
}

std::int32_t ZoneTable::FindZoneByAddress(const Address& address) const {
  if (address_slots_.empty()) return 0;
  return address_slots_[SlotFor(AddressKey(address))].zone_id;
}

std::int32_t ZoneTable::ZoneIdOf(const ZoneEntry& zone) const {
  for (std::size_t i = 0; i < zones_.size(); ++i) {
    if (zones_[i].get() == &zone) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;
}

std::int32_t ZoneTable::Append(std::unique_ptr<ZoneEntry> zone) {
  zones_.push_back(std::move(zone));
  try {
    if (zones_.size() * 2 > address_slots_.size()) {
      IndexAddresses();
    } else {
      IndexZone(zones_.size() - 1);
    }
  } catch (...) {
    zones_.pop_back();
    throw;
  }
  return ZoneCount();
}

void ZoneTable::Remove(std::int32_t zone_id) {
  if (zone_id >= 1 && zone_id <= ZoneCount()) {
    zones_.erase(zones_.begin() + (zone_id - 1));
    // Every later zone moved down by one.
    IndexAddresses();
  }
}

std::size_t ZoneTable::SlotFor(std::uint64_t key) const {
  const std::size_t mask = address_slots_.size() - 1;
  // Fibonacci hashing: the multiplication spreads every bit of the key over
  // the high half.
  std::size_t slot = (key * 0x9E3779B97F4A7C15u) >> 32 & mask;
  while (address_slots_[slot].zone_id != 0 && address_slots_[slot].key != key) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

void ZoneTable::IndexZone(std::size_t position) {
  const std::uint64_t key = AddressKey(zones_[position]->address);
  AddressSlot& slot = address_slots_[SlotFor(key)];
  // An address already in the index keeps its first zone.
  if (slot.zone_id == 0) {
    slot = {.key = key, .zone_id = static_cast<std::int32_t>(position + 1)};
  }
}

void ZoneTable::IndexAddresses() {
  std::size_t size = kFewestSlots;
  while (size < zones_.size() * 2) size *= 2;
  // Built aside, so that a failed allocation leaves the index as it was.
  std::vector<AddressSlot> slots(size);
  address_slots_.swap(slots);
  for (std::size_t i = 0; i < zones_.size(); ++i) IndexZone(i);
}

std::int32_t FindPlayerByID(const ZoneEntry& zone, std::int32_t player_id) {
  for (std::size_t i = 0; i < zone.Players.size(); ++i) {
    if (zone.Players[i].PlayerID == player_id) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;
}

std::int32_t FindPlayerByName(const ZoneEntry& zone, std::string_view name) {
  if (!PlayerNamePresent(zone, name)) return 0;
  for (std::size_t i = 0; i < zone.Players.size(); ++i) {
    if (EqualsIgnoringCase(zone.Players[i].PlayerName, name)) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;
}

bool PlayerNamePresent(const ZoneEntry& zone, std::string_view name) {
  return zone.present_names.Contains(name);
}

ZonePlayer& AppendPlayer(ZoneEntry& zone, ZonePlayer player) {
  zone.Players.push_back(std::move(player));
  try {
    zone.present_names.Add(zone.Players.back().PlayerName);
  } catch (...) {
    zone.Players.pop_back();
    throw;
  }
  return zone.Players.back();
}

void RemovePlayer(ZoneEntry& zone, std::int32_t index) {
  if (index >= 1 && index <= zone.PlayerCount()) {
    const auto at = zone.Players.begin() + (index - 1);
    zone.present_names.Remove(at->PlayerName);
    zone.Players.erase(at);
  }
}

}  // namespace tallyhall
