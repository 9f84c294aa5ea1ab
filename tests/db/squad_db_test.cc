// Squad Database: record bytes, field writes that keep the layout, and
// FindSquad answered from its index as a scan would answer.
#include "db/squad_db.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fakes.h"

namespace tallyhall {
namespace {

std::string Nul(std::size_t n) { return std::string(n, '\0'); }

TEST(SquadDatabaseTest, AppendedRecordHasExactBytes) {
  SquadDatabase db;
  EXPECT_EQ(db.AppendSquad("Alpha", "pw", 258), 1);
  EXPECT_EQ(db.bytes(),
            "Alpha" + Nul(19) + "pw" + Nul(22) + Hex("02 01 00 00"));
  EXPECT_EQ(db.GetSquadField(1, SquadField::kOwner), Hex("02 01 00 00"));
  EXPECT_EQ(db.GetSquadField(1, SquadField::kPassword), "pw" + Nul(22));
}

TEST(SquadDatabaseTest, FindSquadIgnoresCaseAndLooksAtTwentyFourBytes) {
  SquadDatabase db;
  db.AppendSquad("ALPHA", "", 1);
  db.AppendSquad("alpha", "", 2);
  db.AppendSquad(std::string(24, 'x') + "tail", "", 3);
  db.AppendSquad("", "", 4);
  EXPECT_EQ(db.FindSquad("Alpha"), 1);
  EXPECT_EQ(db.FindSquad(std::string(24, 'X') + "other"), 3);
  EXPECT_EQ(db.FindSquad(""), 4);
  EXPECT_EQ(db.FindSquad("Alpha "), 0);
  EXPECT_EQ(db.FindSquad("Beta"), 0);
}

TEST(SquadDatabaseTest, RenamesAndPutsKeepTheIndexRight) {
  SquadDatabase db;
  db.AppendSquad("One", "", 0);
  db.AppendSquad("Two", "", 0);
  db.AppendSquad("One", "", 0);
  db.SetSquadField(1, SquadField::kName, "Three");
  EXPECT_EQ(db.FindSquad("one"), 3);
  EXPECT_EQ(db.FindSquad("three"), 1);
  db.PutSquadRecord(2, "Three" + Nul(47));
  EXPECT_EQ(db.FindSquad("two"), 0);
  db.SetSquadField(1, SquadField::kName, "Gone");
  EXPECT_EQ(db.FindSquad("three"), 2);
  db.Assign(db.bytes(), 3);
  EXPECT_EQ(db.FindSquad("gone"), 1);
  EXPECT_EQ(db.FindSquad("one"), 3);
}

TEST(SquadDatabaseTest, WritesOfAnotherWidthKeepEveryRecordInPlace) {
  SquadDatabase db;
  db.AppendSquad("A", "", 0);
  db.AppendSquad("B", "", 0);
  db.SetSquadField(1, SquadField::kOwner, Hex("05"));
  db.SetSquadField(1, SquadField::kPassword, std::string(30, 'p'));
  db.PutSquadRecord(2, "C");
  ASSERT_EQ(db.bytes().size(), 104u);
  EXPECT_EQ(db.GetSquadRecord(1),
            "A" + Nul(23) + std::string(24, 'p') + Hex("05 00 00 00"));
  EXPECT_EQ(db.GetSquadRecord(2), "C" + Nul(51));
  EXPECT_EQ(db.FindSquad("c"), 2);
}

TEST(SquadDatabaseTest, IdsOutsideTheCountReadEmptyAndChangeNothing) {
  SquadDatabase db;
  db.AppendSquad("A", "", 0);
  const std::string before = db.bytes();
  for (int id : {0, -1, 2}) {
    EXPECT_EQ(db.GetSquadRecord(id), "");
    EXPECT_EQ(db.GetSquadField(id, SquadField::kName), "");
    db.SetSquadField(id, SquadField::kName, "X");
    db.PutSquadRecord(id, std::string(52, 'X'));
  }
  EXPECT_EQ(db.GetSquadField(1, static_cast<SquadField>(5)), "");
  db.SetSquadField(1, static_cast<SquadField>(5), "X");
  EXPECT_EQ(db.bytes(), before);
  EXPECT_EQ(db.FindSquad("x"), 0);
}

TEST(SquadDatabaseTest, RemovedSquadClosesItsGapAndTheIndexFollows) {
  SquadDatabase db;
  db.AppendSquad("One", "", 1);
  db.AppendSquad("Two", "", 2);
  db.AppendSquad("Three", "", 3);
  db.AppendSquad("two", "", 4);
  for (int id : {0, 5}) db.RemoveSquad(id);
  ASSERT_EQ(db.SquadCount(), 4);
  db.RemoveSquad(2);
  ASSERT_EQ(db.SquadCount(), 3);
  ASSERT_EQ(db.bytes().size(), 156u);
  EXPECT_EQ(db.GetSquadRecord(2), "Three" + Nul(43) + Hex("03 00 00 00"));
  EXPECT_EQ(db.FindSquad("TWO"), 3);
  EXPECT_EQ(db.FindSquad("three"), 2);
  EXPECT_EQ(db.FindSquad("one"), 1);
  db.RemoveSquad(3);
  EXPECT_EQ(db.FindSquad("two"), 0);
  EXPECT_EQ(db.GetSquadRecord(3), "");
}

}  // namespace
}  // namespace tallyhall
