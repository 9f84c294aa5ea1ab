// What the operator tools tell about a biller and its files: the health
// probe, a file that ends in a partial record, a folder without database
// files, and an --ids short of its three values.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class OperatorToolsTest : public E2eTest {
 protected:
  ProgramRun Zone(std::vector<std::string> args) {
    args.insert(args.begin(),
                {TALLYHALL_ZONE_BINARY, "--port", std::to_string(port_)});
    return RunProgram(args, folder_.path());
  }
  ProgramRun Db(std::vector<std::string> args) {
    args.insert(args.begin(), TALLYHALL_DB_BINARY);
    return RunProgram(args, folder_.path());
  }
  std::set<std::string> FolderNames() const {
    std::set<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(folder_.path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(OperatorToolsTest, ProbeAnswersZeroFromABillerAndOneFromAClosedPort) {
  StartServer();
  const std::set<std::string> files = FolderNames();
  const std::string settings = ReadFile(File("Tallyhall.ini"));
  ProgramRun run = Zone({"--probe"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(run.out.starts_with(
      "Connection response from 127.0.0.1:" + std::to_string(port_) + " in "))
      << run.out;
  // Nothing logged in, registered or written.
  EXPECT_EQ(FolderNames(), files);
  EXPECT_EQ(ReadFile(File("Tallyhall.ini")), settings);
  ASSERT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(Output().find("logged in"), std::string::npos) << Output();

  run = Zone({"--probe", "--seconds", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "No connection response from 127.0.0.1:" +
                         std::to_string(port_) + " within 1 s\n");
}

TEST_F(OperatorToolsTest, IdsShortOfThreeValuesNamesThem) {
  const std::string expected =
      "--ids needs three values: ServerID GroupID "
      "ScoreID";
  const ProgramRun zone = Zone({"--password", "x", "--ids", "1", "1"});
  EXPECT_EQ(zone.status, 2);
  EXPECT_NE(zone.err.find(expected), std::string::npos) << zone.err;
  const ProgramRun db = Db({"check", ".", "--ids", "1"});
  EXPECT_EQ(db.status, 2);
  EXPECT_NE(db.err.find(expected), std::string::npos) << db.err;
}

TEST_F(OperatorToolsTest, CheckOfAFolderWithoutDatabaseFilesSaysSo) {
  const ProgramRun run = Db({"check", folder_.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "No database files in " + folder_.path() + "\n");
}

// The server reads 1.6 records as 2 (the second padded with NUL bytes) and
// 1.4 as 1; the tools show the whole record in both cases and say why they
// exit 1.
TEST_F(OperatorToolsTest, PartialRecordIsReportedAndEveryWholeOneShown) {
  StartServer();
  for (const char* name : {"Ann", "Bob"}) {
    ASSERT_EQ(Zone({"--password", "ledgerkite", "--player", name}).status, 0);
  }
  ASSERT_EQ(server_->Stop(SIGTERM), 0);
  const std::string users = ReadFile(File("User.1"));
  ASSERT_EQ(users.size(), 312u);
  for (std::size_t cut : {156u + 94u, 156u + 62u}) {
    WriteFile(File("User.1"), users.substr(0, cut));
    const std::string note =
        "tallyhall-db: User.1 ends in a partial record "
        "of " +
        std::to_string(cut - 156) + " bytes, which is left out\n";
    ProgramRun run = Db({"list", File("User.1"), "--json"});
    EXPECT_EQ(run.status, 1) << cut;
    EXPECT_EQ(run.err, note);
    EXPECT_TRUE(run.out.starts_with("{\"user_id\":1,\"name\":\"Ann\""));
    EXPECT_EQ(run.out.find("\"user_id\":2"), std::string::npos) << run.out;
    run = Db({"show", File("User.1"), "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, note);
    EXPECT_NE(run.out.find("Ann"), std::string::npos);
  }
}

}  // namespace
}  // namespace tallyhall
