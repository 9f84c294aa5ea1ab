// User Database: record bytes, field writes that keep the layout, FindUser's
// and FindUserByTrimmedName's answers against a plain scan, removal, and the
// two alias listings.
#include "db/user_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "db/encoding.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

std::string Nul(std::size_t n) { return std::string(n, '\0'); }
std::string Mac(int n) { return Int32ToBytes(n); }

const LocalTime kNow{.year = 2026,
                     .month = 12,
                     .day = 7,
                     .hour = 12,
                     .minute = 34,
                     .second = 56};

// The first record with this identity, found by walking every record.
std::int32_t ScanFind(const UserDatabase& db, std::string_view name,
                      std::string_view mac) {
  const std::string key = ToLower(PadField(name, 24));
  for (std::int32_t id = 1; id <= db.UserCount(); ++id) {
    std::string record = db.GetUserRecord(id);
    if (ToLower(record.substr(0, 24)) == key && record.substr(144, 4) == mac) {
      return id;
    }
  }
  return 0;
}

// The first record whose name cut at its first NUL matches, by a walk.
std::int32_t ScanFindTrimmed(const UserDatabase& db, std::string_view name,
                             std::string_view mac) {
  for (std::int32_t id = 1; id <= db.UserCount(); ++id) {
    std::string record = db.GetUserRecord(id);
    if (ToLower(TrimAtNul(record.substr(0, 24))) == ToLower(name) &&
        record.substr(144, 4) == mac) {
      return id;
    }
  }
  return 0;
}

// Alias groups by comparing every pair and searching the text itself for
// each name: the plain scan the listing is defined by.
std::string NaiveAliasGroups(const UserDatabase& db) {
  std::string text;
  for (std::int32_t i = 1; i <= db.UserCount(); ++i) {
    std::string a = db.GetUserRecord(i);
    std::string name(TrimAtNul(a.substr(0, 24)));
    if (text.find(name) != std::string::npos) continue;
    bool any = false;
    for (std::int32_t j = i + 1; j <= db.UserCount(); ++j) {
      std::string b = db.GetUserRecord(j);
      if (b.substr(144, 4) != a.substr(144, 4) &&
          b.substr(140, 4) != a.substr(140, 4)) {
        continue;
      }
      if (!any) text += "<" + name + ">";
      any = true;
      text += "<" + std::string(TrimAtNul(b.substr(0, 24))) + ">";
    }
    if (any) text += ",";
  }
  if (!text.empty()) text.pop_back();
  return text;
}

TEST(UserDatabaseTest, NewRecordHasExactBytes) {
  UserDatabase users;
  ScoreDatabase scores;
  scores.AddScoreRecord();
  EXPECT_EQ(users.AddUser(scores, "Ann", Hex("c0 a8 00 01"), Mac(7), kNow), 1);
  EXPECT_EQ(scores.ScoreCount(), 2);
  EXPECT_EQ(users.bytes(),
            "Ann" + Nul(21) + Nul(4) + Hex("02 00 00 00") + Nul(96) +
                Hex("ea 07 0c 00 07 00 0c 00 22 00 38 00") +
                Hex("c0 a8 00 01 07 00 00 00 07 0c ea 07") + Nul(4));
}

TEST(UserDatabaseTest, SameNameWithAnotherMacIsAnotherRecord) {
  UserDatabase users;
  ScoreDatabase scores;
  EXPECT_EQ(users.AddUser(scores, "Bob", "ip", Mac(1), kNow), 1);
  EXPECT_EQ(users.AddUser(scores, "Bob", "ip", Mac(2), kNow), 2);
  EXPECT_EQ(scores.ScoreCount(), 2);
  EXPECT_EQ(users.FindUser("bOB", Mac(2)), 2);
  EXPECT_EQ(users.FindUser("Bob ", Mac(1)), 0);
  EXPECT_EQ(users.FindUser("Bob", "\x01"), 0);  // A MacID is 4 bytes.
  EXPECT_EQ(users.FindUser("Bob", Mac(1) + "x"), 0);
  // Short IP and MacID are fitted to 4 bytes.
  EXPECT_EQ(users.AddUser(scores, "Cy", "", "\x05", kNow), 3);
  EXPECT_EQ(users.GetUserField(3, UserField::kIP), Nul(4));
  EXPECT_EQ(users.FindUser("cy", Mac(5)), 3);
}

TEST(UserDatabaseTest, FieldWritesKeepEveryRecordInPlace) {
  UserDatabase users;
  ScoreDatabase scores;
  users.AddUser(scores, "A", "ipip", Mac(1), kNow);
  users.AddUser(scores, "B", "ipip", Mac(2), kNow);
  const std::string second = users.GetUserRecord(2);
  users.SetUserField(1, UserField::kSquadID, Hex("09"));
  users.SetUserField(1, UserField::kDataBlock, std::string(200, 'd'));
  users.SetUserField(1, UserField::kName, std::string(30, 'n'));
  users.PutUserRecord(1, users.GetUserRecord(1) + "extra");
  ASSERT_EQ(users.bytes().size(), 312u);
  EXPECT_EQ(users.GetUserRecord(2), second);
  EXPECT_EQ(users.GetUserField(1, UserField::kSquadID), Hex("09 00 00 00"));
  EXPECT_EQ(users.GetUserField(1, UserField::kDataBlock), std::string(96, 'd'));
  EXPECT_EQ(users.FindUser(std::string(24, 'N') + "zz", Mac(1)), 1);
  users.PutUserRecord(2, "short");
  EXPECT_EQ(users.GetUserRecord(2), "short" + Nul(151));
}

TEST(UserDatabaseTest, IdsAndSelectorsOutsideTheTableReadEmpty) {
  UserDatabase users;
  ScoreDatabase scores;
  users.AddUser(scores, "A", "ipip", Mac(1), kNow);
  const std::string before = users.bytes();
  for (int id : {0, -1, 2}) {
    EXPECT_EQ(users.GetUserRecord(id), "");
    EXPECT_EQ(users.GetUserField(id, UserField::kName), "");
    users.SetUserField(id, UserField::kName, "X");
    users.PutUserRecord(id, Nul(156));
    users.RemoveUser(id);
  }
  for (int selector : {1, 153, 200}) {
    EXPECT_EQ(users.GetUserField(1, static_cast<UserField>(selector)), "");
    users.SetUserField(1, static_cast<UserField>(selector), "XXXX");
  }
  EXPECT_EQ(users.bytes(), before);
}

TEST(UserDatabaseTest, RemovingRenumbersLaterRecords) {
  UserDatabase users;
  ScoreDatabase scores;
  for (const char* name : {"A", "B", "C"}) {
    users.AddUser(scores, name, "ipip", Mac(1), kNow);
  }
  users.RemoveUser(2);
  EXPECT_EQ(users.UserCount(), 2);
  EXPECT_EQ(users.FindUser("B", Mac(1)), 0);
  EXPECT_EQ(users.FindUser("C", Mac(1)), 2);
  EXPECT_EQ(users.GetUserField(2, UserField::kScoreID), Hex("03 00 00 00"));
}

TEST(UserDatabaseTest, FindUserAgreesWithAScanThroughRandomChanges) {
  const std::vector<std::string> names = {"bob",
                                          "BOB",
                                          "Bob ",
                                          "ann",
                                          "",
                                          std::string(24, 'q') + "1",
                                          std::string(24, 'Q') + "2",
                                          std::string("Bob\0x", 5),
                                          std::string("ann\0\0y", 6)};
  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  UserDatabase users;
  ScoreDatabase scores;
  for (int step = 0; step < 1500; ++step) {
    const std::string& name = names[pick(static_cast<int>(names.size()))];
    const std::string mac = Mac(pick(3));
    const std::int32_t id = pick(users.UserCount() + 2);
    switch (pick(7)) {
      case 0:
      case 1:
        users.AddUser(scores, name, "ipip", mac, kNow);
        break;
      case 2:
        users.SetUserField(id, UserField::kName, name);
        break;
      case 3:
        users.SetUserField(id, UserField::kMacID, mac);
        break;
      case 4:
        users.PutUserRecord(id,
                            users.GetUserRecord(pick(users.UserCount() + 1)));
        break;
      case 5:
        users.RemoveUser(id);
        break;
      case 6:
        users.Assign(users.bytes(), users.UserCount());
        break;
    }
    for (const std::string& query : names) {
      for (int m = 0; m < 3; ++m) {
        ASSERT_EQ(users.FindUser(query, Mac(m)), ScanFind(users, query, Mac(m)))
            << "step " << step << " name '" << query << "' mac " << m;
        if (query.find('\0') != std::string::npos || query.size() > 24) {
          continue;
        }
        // Names with bytes behind their NUL match by what they show.
        ASSERT_EQ(users.FindUserByTrimmedName(query, Mac(m)),
                  ScanFindTrimmed(users, query, Mac(m)))
            << "step " << step << " name '" << query << "' mac " << m;
      }
    }
  }
}

TEST(UserDatabaseTest, FindUserFoldsTheCaseOfAsciiLettersOnly) {
  // Every byte value at the first and last byte of each 8-byte word of the
  // name: only A-Z meet their lower case, nothing else meets anything else.
  UserDatabase users;
  ScoreDatabase scores;
  for (std::size_t at : {0u, 7u, 8u, 15u, 16u, 23u}) {
    for (int byte = 0; byte < 256; ++byte) {
      std::string name(24, 'k');
      name[at] = static_cast<char>(byte);
      users.AddUser(scores, name, "ipip", Mac(1), kNow);
    }
  }
  for (std::int32_t id = 1; id <= users.UserCount(); ++id) {
    const std::string name = users.GetUserField(id, UserField::kName);
    for (const std::string& query : {name, ToLower(name)}) {
      ASSERT_EQ(users.FindUser(query, Mac(1)), ScanFind(users, query, Mac(1)))
          << "record " << id;
    }
  }
}

TEST(UserDatabaseTest, FindUserAgreesWithAScanAmongManyDuplicates) {
  // A few identities shared by thousands of records make long runs in the
  // index, and removals from the middle of them.
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  auto name_of = [](int n) {
    return (n % 2 ? "Dup" : "dUP") + std::to_string(n / 2);
  };
  std::string records;
  for (int i = 0; i < 3000; ++i) {
    records += PadField(name_of(pick(40)), 24) + std::string(120, 'r') +
               Mac(pick(4)) + std::string(8, 'r');
  }
  UserDatabase users;
  ScoreDatabase scores;
  users.Assign(records, 3000);
  for (int step = 0; step < 400; ++step) {
    const std::int32_t id = 1 + pick(users.UserCount());
    switch (pick(5)) {
      case 0:
        users.RemoveUser(id);
        break;
      case 1:
        users.SetUserField(id, UserField::kName, name_of(pick(40)));
        break;
      case 2:
        users.SetUserField(id, UserField::kMacID, Mac(pick(4)));
        break;
      case 3:
        users.AddUser(scores, name_of(pick(40)), "ipip", Mac(pick(4)), kNow);
        break;
      case 4:
        users.Assign(users.bytes(), users.UserCount());
        break;
    }
    const bool all = step % 50 == 49;
    for (int query = 0; query < (all ? 44 : 3); ++query) {
      const std::string name = name_of(all ? query : pick(44));
      const std::string mac = Mac(all ? query % 5 : pick(5));
      ASSERT_EQ(users.FindUser(name, mac), ScanFind(users, name, mac))
          << "step " << step << " name " << name;
    }
  }
}

TEST(UserDatabaseTest, RecordsOfOneIdentityGiveWayInOrder) {
  // A zeroed file: 200000 records with the empty name and MacID 0. Were
  // they all in one probe run, loading would take minutes.
  UserDatabase users;
  ScoreDatabase scores;
  users.Assign(Nul(200000 * 156), 200000);
  EXPECT_EQ(users.FindUser("", Mac(0)), 1);
  users.SetUserField(1, UserField::kName, "one");
  EXPECT_EQ(users.FindUser("", Mac(0)), 2);
  users.RemoveUser(2);
  EXPECT_EQ(users.FindUser("", Mac(0)), 2);
  users.SetUserField(1, UserField::kName, "");
  EXPECT_EQ(users.FindUser("", Mac(0)), 1);
  EXPECT_EQ(users.AddUser(scores, "", "", Mac(0), kNow), 200000);
  users.SetUserField(2, UserField::kMacID, Mac(1));
  users.RemoveUser(1);
  EXPECT_EQ(users.FindUser("", Mac(0)), 2);
  EXPECT_EQ(users.FindUser("", Mac(1)), 1);
  EXPECT_EQ(users.FindUser("one", Mac(0)), 0);
}

TEST(UserDatabaseTest, IdentitiesWithTheSameHashStayApart) {
  // Two names found by search whose identities share their hash.
  const std::string a = "p10072";
  const std::string b = "p51500";
  ASSERT_EQ(RecordIndex::HashOf(RecordIndex::QueryKey(a, Mac(0))),
            RecordIndex::HashOf(RecordIndex::QueryKey(b, Mac(0))));
  UserDatabase users;
  ScoreDatabase scores;
  for (const std::string& name : {a, b, b, a}) {
    users.AddUser(scores, name, "ipip", Mac(0), kNow);
  }
  EXPECT_EQ(users.FindUser(a, Mac(0)), 1);
  EXPECT_EQ(users.FindUser(b, Mac(0)), 2);
  users.RemoveUser(1);
  EXPECT_EQ(users.FindUser(a, Mac(0)), 3);
  users.SetUserField(1, UserField::kName, "c");
  EXPECT_EQ(users.FindUser(b, Mac(0)), 2);
  users.Assign(users.bytes(), 3);
  EXPECT_EQ(users.FindUser(a, Mac(0)), 3);
  EXPECT_EQ(users.FindUser(b, Mac(0)), 2);
}

TEST(UserDatabaseTest, ListNamesByMacIDJoinsMatchesInOrder) {
  UserDatabase users;
  ScoreDatabase scores;
  EXPECT_EQ(users.ListNamesByMacID(7), "");
  users.AddUser(scores, "Ann", "ipip", Mac(7), kNow);
  EXPECT_EQ(users.ListNamesByMacID(7), "Ann");
  users.AddUser(scores, "Bob", "ipip", Mac(-1), kNow);
  users.AddUser(scores, std::string(24, 'c') + "x", "ipip", Mac(7), kNow);
  EXPECT_EQ(users.ListNamesByMacID(7), "Ann, " + std::string(24, 'c'));
  EXPECT_EQ(users.ListNamesByMacID(-1), "Bob");
}

TEST(UserDatabaseTest, AliasGroupsFollowTheListingRules) {
  UserDatabase users;
  ScoreDatabase scores;
  users.AddUser(scores, "Ann", "ip01", Mac(7), kNow);
  users.AddUser(scores, "Bob", "ip02", Mac(9), kNow);
  users.AddUser(scores, "Cy", "ip03", Mac(7), kNow);
  EXPECT_EQ(users.ListAliasGroups(), "<Ann><Cy>");
  // "C" occurs in the listed "<Cy>", so C is skipped and never heads a
  // group with Dee, who shares its IP.
  users.AddUser(scores, "C", "ip04", Mac(1), kNow);
  users.AddUser(scores, "Dee", "ip04", Mac(2), kNow);
  users.AddUser(scores, "Eve", "ip02", Mac(9), kNow);
  EXPECT_EQ(users.ListAliasGroups(), "<Ann><Cy>,<Bob><Eve>");
}

TEST(UserDatabaseTest, AliasGroupsEqualThePairwiseListing) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    UserDatabase users;
    ScoreDatabase scores;
    for (int i = 0; i < 300; ++i) {
      // Names such as p1, P12 and p123 contain one another; some are empty.
      const int n = static_cast<int>(random() % 400);
      const std::string name =
          n < 10 ? "" : (n % 3 ? "p" : "P") + std::to_string(n);
      users.AddUser(scores, name, Mac(static_cast<int>(random() % 40)),
                    Mac(static_cast<int>(random() % 40)), kNow);
    }
    const std::string groups = users.ListAliasGroups();
    EXPECT_GT(std::count(groups.begin(), groups.end(), ','), 20) << seed;
    EXPECT_EQ(groups, NaiveAliasGroups(users)) << seed;
  }
}

TEST(UserDatabaseTest, AliasGroupsEqualTheOldScanOnSmallDatabases) {
  // Short names over letters and the listing's own delimiters, so that names
  // occur inside longer names and across "<", ">" and "," again and again.
  const std::string letters = "aAb<>,";
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    UserDatabase users;
    ScoreDatabase scores;
    const int records = static_cast<int>(random() % 25);
    for (int i = 0; i < records; ++i) {
      std::string name;
      for (unsigned k = random() % 4; k > 0; --k) {
        name += letters[random() % letters.size()];
      }
      users.AddUser(scores, name, Mac(static_cast<int>(random() % 5)),
                    Mac(static_cast<int>(random() % 5)), kNow);
    }
    ASSERT_EQ(users.ListAliasGroups(), NaiveAliasGroups(users))
        << "seed " << seed;
  }
}

}  // namespace
}  // namespace tallyhall
