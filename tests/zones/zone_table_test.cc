// Lookups in the zone and player tables.
#include "zones/zone_table.h"

#include <gtest/gtest.h>

#include "base/failure.h"

namespace tallyhall {
namespace {

Address At(std::uint8_t last, std::uint16_t port) {
  Address a;
  a.ip = {10, 0, 0, last};
  a.port = port;
  return a;
}

TEST(ZoneTableTest, ZonesAreToldApartByAddressAndPort) {
  ZoneTable table;
  for (int port : {1000, 2000}) {
    auto zone = std::make_unique<ZoneEntry>();
    zone->address = At(1, static_cast<std::uint16_t>(port));
    table.Append(std::move(zone));
  }
  EXPECT_EQ(table.FindZoneByAddress(At(1, 1000)), 1);
  EXPECT_EQ(table.FindZoneByAddress(At(1, 2000)), 2);
  EXPECT_EQ(table.FindZoneByAddress(At(1, 3000)), 0);
  EXPECT_EQ(table.FindZoneByAddress(At(2, 1000)), 0);
  EXPECT_THROW(table.Zone(3), StepFailure);
  EXPECT_THROW(table.Zone(0), StepFailure);
}

// The address index answers as a scan in table order would, as the table
// grows and after removals move later zones down.
TEST(ZoneTableTest, AddressLookupFindsTheFirstMatchAsTheTableChanges) {
  ZoneTable table;
  // Zones k and k + 20 share an address.
  for (int i = 0; i < 40; ++i) {
    auto zone = std::make_unique<ZoneEntry>();
    zone->address = At(static_cast<std::uint8_t>(i % 20), 1000);
    table.Append(std::move(zone));
  }
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(table.FindZoneByAddress(At(static_cast<std::uint8_t>(k), 1000)),
              k + 1);
  }
  EXPECT_EQ(table.FindZoneByAddress(At(20, 1000)), 0);
  table.Remove(1);
  EXPECT_EQ(table.FindZoneByAddress(At(0, 1000)), 20);
  EXPECT_EQ(table.FindZoneByAddress(At(1, 1000)), 1);
  table.Remove(20);
  EXPECT_EQ(table.FindZoneByAddress(At(0, 1000)), 0);
  EXPECT_EQ(table.FindZoneByAddress(At(19, 1000)), 19);
}

TEST(ZoneTableTest, PlayerLookupsTakeTheFirstMatch) {
  ZoneEntry zone;
  AppendPlayer(zone, {.PlayerName = "BoB", .PlayerID = 7});
  AppendPlayer(zone, {.PlayerName = "Ann", .PlayerID = 7});
  AppendPlayer(zone, {.PlayerName = "bob", .PlayerID = 8});
  EXPECT_EQ(FindPlayerByID(zone, 7), 1);
  EXPECT_EQ(FindPlayerByID(zone, 8), 3);
  EXPECT_EQ(FindPlayerByID(zone, 9), 0);
  EXPECT_EQ(FindPlayerByName(zone, "BOB"), 1);
  EXPECT_EQ(FindPlayerByName(zone, "BOB "), 0);
  RemovePlayer(zone, 1);
  EXPECT_EQ(FindPlayerByID(zone, 7), 1);
  EXPECT_EQ(zone.Players[0].PlayerName, "Ann");
  EXPECT_EQ(FindPlayerByName(zone, "BOB"), 2);
  RemovePlayer(zone, 0);
  RemovePlayer(zone, 3);
  EXPECT_EQ(zone.PlayerCount(), 2);
  RemovePlayer(zone, 2);
  EXPECT_FALSE(PlayerNamePresent(zone, "bob"));
  EXPECT_TRUE(PlayerNamePresent(zone, "aNN"));
}

}  // namespace
}  // namespace tallyhall
