// Database files: loading with rounded record counts, saving with failure
// lines, and atomic replacement that never leaves a partial file.
#include "db/database_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
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

TEST_F(DatabaseFilesTest, SaveTriesEveryFileAndReportsEachFailure) {
  dbs_.scores.AddScoreRecord();
  std::filesystem::create_directory(dir_.File("Squad.-2"));
  Status status = Save();
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(Lines(), std::vector<std::string>{"Main Zone Could not write " +
                                              dir_.File("Squad.-2") +
                                              ": Is a directory"});
  EXPECT_EQ(ReadFile(dir_.File("Score.30")), std::string(14, '\0'));
  EXPECT_TRUE(FileExists(dir_.File("User.1")));
  EXPECT_FALSE(FileExists(dir_.File("Squad.-2.tmp")));
}

// One file cannot be replaced (here: a folder stands in its place): a User
// file is never written past a Score file that was not.
TEST_F(DatabaseFilesTest, SaveKeepsTheUserFileBehindAFailedScoreFile) {
  struct Case {
    std::string failing;    // the file that cannot be replaced
    std::string new_files;  // the files that hold the new bytes afterwards
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"Score.30",
       "Squad.-2",
       {"Score.30: Is a directory",
        "User.1: kept, as the Score file was not written"}},
      {"Squad.-2", "Score.30 User.1", {"Squad.-2: Is a directory"}},
      {"User.1", "Score.30 Squad.-2", {"User.1: Is a directory"}},
  };
  auto fill = [&] {
    dbs_ = ZoneDatabases();
    dbs_.users.AddUser(dbs_.scores, "Ann", "ipip", "mac1", clock_.Now());
    dbs_.squads.AppendSquad("Alpha", "pw", 1);
  };
  fill();
  const std::map<std::string, std::string> fresh = {
      {"User.1", dbs_.users.bytes()},
      {"Squad.-2", dbs_.squads.bytes()},
      {"Score.30", dbs_.scores.bytes()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    fill();
    for (const auto& [name, bytes] : fresh) {
      std::filesystem::remove(dir_.File(name));
      WriteFile(dir_.File(name), "old");
    }
    std::filesystem::remove(dir_.File(c.failing));
    std::filesystem::create_directory(dir_.File(c.failing));
    view_.shown.clear();
    EXPECT_FALSE(Save().ok());
    for (const auto& [name, bytes] : fresh) {
      if (name == c.failing) continue;
      const bool renewed = c.new_files.find(name) != std::string::npos;
      EXPECT_EQ(ReadFile(dir_.File(name)), renewed ? bytes : "old") << name;
    }
    std::vector<std::string> expected;
    for (const std::string& line : c.lines) {
      expected.push_back("Main Zone Could not write " + dir_.File(line));
    }
    EXPECT_EQ(Lines(), expected);
  }
}

}  // namespace
}  // namespace tallyhall
