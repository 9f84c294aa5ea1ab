// Database files: loading with rounded record counts, saving with failure
// lines, atomic replacement that never leaves a partial file, and saves that
// leave the files of unchanged databases alone.
#include "db/database_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace tallyhall {
namespace {

class DatabaseFilesTest : public ::testing::Test {
 protected:
  DatabaseFilesTest() : terminal_(clock_, &view_) {}

  Status Load() {
    return LoadDatabases(dir_.path(), "Main Zone", ids_, dbs_, terminal_);
  }
  Status Save() {
    return SaveDatabases(dir_.path(), "Main Zone", ids_, dbs_, terminal_);
  }
  std::vector<std::string> Lines() const { return view_.Texts(); }

  // Saves; names the files the save replaced (a replaced file is a new one
  // renamed over the old, so its inode changes), and checks that every file
  // then holds its database.
  std::string FilesReplacedBySave() {
    const std::pair<const char*, const std::string*> files[] = {
        {"User.1", &dbs_.users.bytes()},
        {"Squad.-2", &dbs_.squads.bytes()},
        {"Score.30", &dbs_.scores.bytes()}};
    ino_t before[3];
    for (int i = 0; i < 3; ++i) before[i] = InodeOf(files[i].first);
    EXPECT_TRUE(Save().ok());
    std::string replaced;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(ReadFile(dir_.File(files[i].first)), *files[i].second);
      if (InodeOf(files[i].first) == before[i]) continue;
      replaced += (replaced.empty() ? "" : " ") + std::string(files[i].first);
    }
    return replaced;
  }
  ino_t InodeOf(const std::string& name) const {
    struct stat info {};
    stat(dir_.File(name).c_str(), &info);
    return info.st_ino;
  }

  TempDir dir_;
  FakeClock clock_;
  RecordingView view_;
  Terminal terminal_;
  DatabaseIds ids_{.server_id = 1, .group_id = -2, .score_id = 30};
  ZoneDatabases dbs_;
};

TEST_F(DatabaseFilesTest, MissingFilesAreCreatedEmpty) {
  ASSERT_TRUE(Load().ok());
  for (const char* name : {"User.1", "Squad.-2", "Score.30"}) {
    EXPECT_TRUE(FileExists(dir_.File(name))) << name;
    EXPECT_EQ(ReadFile(dir_.File(name)), "") << name;
  }
  EXPECT_EQ(Lines(), std::vector<std::string>{
                         "Main Zone Loaded: 0 User Database records 0 Squad "
                         "Database records 0 Score Database records"});
}

TEST_F(DatabaseFilesTest, SavedDatabasesLoadBackUnchanged) {
  ScoreDatabase& scores = dbs_.scores;
  dbs_.users.AddUser(scores, "Ann", "ipip", "mac1", clock_.Now());
  dbs_.users.AddUser(scores, "Bob", "ipip", "mac2", clock_.Now());
  dbs_.squads.AppendSquad("Alpha", "pw", 2);
  scores.PutScoreRecord(2, "fourteen bytes");
  ASSERT_TRUE(Save().ok());
  EXPECT_EQ(Lines().back(),
            "Main Zone Written: 2 User Database records 1 Squad Database "
            "records 2 Score Database records");
  EXPECT_EQ(ReadFile(dir_.File("Score.30")),
            std::string(14, '\0') + "fourteen bytes");

  ZoneDatabases saved = dbs_;
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(dbs_.users.bytes(), saved.users.bytes());
  EXPECT_EQ(dbs_.squads.bytes(), saved.squads.bytes());
  EXPECT_EQ(dbs_.scores.bytes(), saved.scores.bytes());
  EXPECT_EQ(dbs_.users.FindUser("bob", "mac2"), 2);
  EXPECT_EQ(dbs_.squads.FindSquad("ALPHA"), 1);
  EXPECT_FALSE(FileExists(dir_.File("User.1.tmp")));
}

TEST_F(DatabaseFilesTest, PartialRecordsRoundHalvesToEven) {
  WriteFile(dir_.File("User.1"), std::string(200, 'u'));
  WriteFile(dir_.File("Squad.-2"), std::string(130, 's'));  // 2.5 records
  WriteFile(dir_.File("Score.30"), std::string(21, 'c'));   // 1.5 records
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(dbs_.users.UserCount(), 1);
  EXPECT_EQ(dbs_.squads.SquadCount(), 2);
  EXPECT_EQ(dbs_.scores.ScoreCount(), 2);
  EXPECT_EQ(dbs_.users.bytes(), std::string(156, 'u'));
  EXPECT_EQ(dbs_.squads.bytes(), std::string(104, 's'));
  EXPECT_EQ(dbs_.scores.GetScoreRecord(2),
            std::string(7, 'c') + std::string(7, '\0'));
  ASSERT_TRUE(Save().ok());
  EXPECT_EQ(ReadFile(dir_.File("User.1")).size(), 156u);
  EXPECT_EQ(ReadFile(dir_.File("Score.30")).size(), 28u);
}

TEST_F(DatabaseFilesTest, LoadStopsAtTheFirstUnreadableFile) {
  WriteFile(dir_.File("User.1"), std::string(156, 'u'));
  std::filesystem::create_directory(dir_.File("Squad.-2"));
  dbs_.scores.AddScoreRecord();
  Status status = Load();
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(), dir_.File("Squad.-2") + ": Is a directory");
  EXPECT_EQ(dbs_.users.UserCount(), 1);
  EXPECT_EQ(dbs_.squads.SquadCount(), 0);
  EXPECT_EQ(dbs_.scores.ScoreCount(), 0);
  EXPECT_FALSE(FileExists(dir_.File("Score.30")));
  EXPECT_TRUE(Lines().empty());
}

TEST_F(DatabaseFilesTest, SavesRewriteOnlyTheDatabasesThatChanged) {
  struct Case {
    const char* change;
    std::function<void(ZoneDatabases&)> apply;
    const char* replaced;
  };
  const LocalTime now = clock_.Now();
  const std::vector<Case> cases = {
      {"nothing", [](ZoneDatabases&) {}, ""},
      {"user field",
       [](ZoneDatabases& d) { d.users.SetUserField(2, UserField::kIP, "ip"); },
       "User.1"},
      {"no user 0",
       [](ZoneDatabases& d) { d.users.SetUserField(0, UserField::kName, "x"); },
       ""},
      {"user record", [](ZoneDatabases& d) { d.users.PutUserRecord(1, "Zed"); },
       "User.1"},
      {"removed user", [](ZoneDatabases& d) { d.users.RemoveUser(1); },
       "User.1"},
      {"new user",
       [&](ZoneDatabases& d) { d.users.AddUser(d.scores, "Cy", "", "", now); },
       "User.1 Score.30"},
      {"users assigned",
       [](ZoneDatabases& d) { d.users.Assign(d.users.bytes(), 2); }, "User.1"},
      {"squad field",
       [](ZoneDatabases& d) {
         d.squads.SetSquadField(1, SquadField::kPassword, "pw");
       },
       "Squad.-2"},
      {"squad record",
       [](ZoneDatabases& d) { d.squads.PutSquadRecord(1, "Beta"); },
       "Squad.-2"},
      {"new squad", [](ZoneDatabases& d) { d.squads.AppendSquad("B", "", 1); },
       "Squad.-2"},
      {"score", [](ZoneDatabases& d) { d.scores.PutScoreRecord(5, "s"); },
       "Score.30"},
      {"no score 0", [](ZoneDatabases& d) { d.scores.PutScoreRecord(0, "s"); },
       ""},
      {"new score", [](ZoneDatabases& d) { d.scores.AddScoreRecord(); },
       "Score.30"},
      {"squad file removed",
       [&](ZoneDatabases&) { std::filesystem::remove(dir_.File("Squad.-2")); },
       "Squad.-2"},
  };
  for (const Case& c : cases) {
    WriteFile(dir_.File("User.1"), std::string(2 * 156, 'u'));
    WriteFile(dir_.File("Squad.-2"), std::string(52, 's'));
    WriteFile(dir_.File("Score.30"), std::string(2 * 14, 'c'));
    ASSERT_TRUE(Load().ok());
    c.apply(dbs_);
    EXPECT_EQ(FilesReplacedBySave(), c.replaced) << c.change;
    EXPECT_EQ(Lines().back().substr(0, 19), "Main Zone Written: ") << c.change;
    EXPECT_EQ(FilesReplacedBySave(), "") << c.change << ", saved again";
  }
}

TEST_F(DatabaseFilesTest, FailedSaveWritesTheDatabaseAtTheNextSave) {
  ASSERT_TRUE(Load().ok());
  dbs_.users.AddUser(dbs_.scores, "Ann", "ipip", "mac1", clock_.Now());
  std::filesystem::remove(dir_.File("User.1"));
  std::filesystem::create_directory(dir_.File("User.1"));
  DatabaseSet unwritten;
  EXPECT_FALSE(SaveDatabases(dir_.path(), "Main Zone", ids_, dbs_, terminal_,
                             nullptr, &unwritten)
                   .ok());
  EXPECT_TRUE(unwritten.users && unwritten.scores && !unwritten.squads);
  std::filesystem::remove(dir_.File("User.1"));
  EXPECT_EQ(FilesReplacedBySave(), "User.1 Score.30");
}

// The three files change together: when one of them cannot be written
// (ENOSPC from the hook, or a folder in its place), none is renamed and no
// temporary file is left.
TEST_F(DatabaseFilesTest, FileThatCannotBeWrittenKeepsAllThreeOld) {
  for (const std::string failing : {"Score.30", "Squad.-2", "User.1"}) {
    SCOPED_TRACE(failing);
    for (const bool as_folder : {false, true}) {
      dbs_ = ZoneDatabases();
      dbs_.users.AddUser(dbs_.scores, "Ann", "ipip", "mac1", clock_.Now());
      dbs_.squads.AppendSquad("Alpha", "pw", 1);
      for (const char* name : {"User.1", "Squad.-2", "Score.30"}) {
        std::filesystem::remove(dir_.File(name));
        WriteFile(dir_.File(name), "old");
      }
      AtomicWriteHooks hooks{.before_rename = [&](const std::string& temp) {
        return temp == dir_.File(failing + ".tmp") ? ENOSPC : 0;
      }};
      if (as_folder) {
        std::filesystem::remove(dir_.File(failing));
        std::filesystem::create_directory(dir_.File(failing));
      }
      view_.shown.clear();
      EXPECT_FALSE(SaveDatabases(dir_.path(), "Main Zone", ids_, dbs_,
                                 terminal_, as_folder ? nullptr : &hooks)
                       .ok());
      for (const char* name : {"User.1", "Squad.-2", "Score.30"}) {
        if (name != failing) {
          EXPECT_EQ(ReadFile(dir_.File(name)), "old");
        }
        EXPECT_FALSE(FileExists(dir_.File(name) + ".tmp"));
      }
      EXPECT_EQ(Lines(), std::vector<std::string>{
                             "Main Zone Could not write " + dir_.File(failing) +
                             (as_folder ? ": Is a directory"
                                        : ": No space left on device")});
      EXPECT_TRUE(dbs_.users.changed() && dbs_.scores.changed());
    }
  }
}

// A file that exists but cannot be read ends the read before a missing file
// is created; a database given by the caller is neither read nor replaced.
TEST_F(DatabaseFilesTest, ReadFailsBeforeCreatingAnyFile) {
  WriteFile(dir_.File("Score.30"), std::string(14, 'c'));
  AtomicWriteHooks hooks{.before_read = [&](const std::string& path) {
    return path == dir_.File("Score.30") ? EIO : 0;
  }};
  std::vector<PartialRecord> partial;
  Status status = ReadDatabases(dir_.path(), ids_, {}, dbs_, partial, &hooks);
  EXPECT_EQ(status.message(), dir_.File("Score.30") + ": Input/output error");
  EXPECT_FALSE(FileExists(dir_.File("User.1")));
  EXPECT_FALSE(FileExists(dir_.File("Squad.-2")));

  dbs_ = ZoneDatabases();
  dbs_.scores.AddScoreRecord();
  dbs_.scores.AddScoreRecord();
  ASSERT_TRUE(
      ReadDatabases(dir_.path(), ids_, {.scores = true}, dbs_, partial, &hooks)
          .ok());
  EXPECT_EQ(dbs_.scores.ScoreCount(), 2);
  EXPECT_TRUE(FileExists(dir_.File("User.1")));
}

}  // namespace
}  // namespace tallyhall
