// The operator tools against the real server: tallyhall-zone drives a player
// and a load run over UDP, and tallyhall-db checks the files the server
// wrote, clean and damaged, without changing them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/encoding.h"
#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

struct ToolRun {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string output;
  long peak_kib = 0;  // the tool's largest resident set
};

// Runs `argv` with `input` on its standard input and its standard output
// (and error) captured.
ToolRun RunTool(const TempDir& scratch, const std::vector<std::string>& argv,
                std::string_view input = "") {
  const std::string in_path = scratch.File("tool.in");
  const std::string out_path = scratch.File("tool.out");
  WriteFile(in_path, input);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(in_path.c_str(), O_RDONLY);
    const int out =
        ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv)
      args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out_path),
          usage.ru_maxrss};
}

ToolRun RunDb(const TempDir& scratch, std::vector<std::string> args) {
  args.insert(args.begin(), TALLYHALL_DB_BINARY);
  return RunTool(scratch, args);
}

class ToolsTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    StartServer();
  }

  ToolRun Zone(std::vector<std::string> args, std::string_view input = "") {
    args.insert(args.begin(),
                {TALLYHALL_ZONE_BINARY, "--port", std::to_string(port_)});
    return RunTool(scratch_, args, input);
  }
  ToolRun Db(std::vector<std::string> args) {
    return RunDb(scratch_, std::move(args));
  }

  TempDir scratch_;
};

TEST_F(ToolsTest, ZoneToolSendsAPlayersLinesAndPrintsTheReplies) {
  const ToolRun run = Zone({"--password", "ledgerkite", "--name", "Sim",
                            "--player", "Ann", "--player-id", "21"},
                           "?about\nhello biller\n?squadid\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(
                "Zone Sim logged in\nLogin accepted: PlayerID 21 name \"Ann\" "
                "UserID 1 squad \"\" wins 0 losses 0 ratio 0 kill points 0 "
                "flag points 0\n> ?about\nA biller is a program that connects "
                "to a game server to save/keep players' scores, names, squads, "
                "ids, and other related information.\n> hello biller\n"),
            std::string::npos)
      << run.output;
  EXPECT_TRUE(run.output.ends_with("Player Ann logged off\nZone logged off\n"))
      << run.output;
  EXPECT_TRUE(server_->WaitForOutput(
      "Sim(ServerID:1 GroupID:1 ScoreID:1) [Ann] hello biller"));
  EXPECT_TRUE(server_->WaitForOutput("Sim Written: 1 User Database records"))
      << Output();
}

TEST_F(ToolsTest, ZoneToolReportsARefusedZoneAndUsageErrors) {
  ToolRun run = Zone({"--password", "not it", "--name", "Sim"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("Zone login refused"), std::string::npos);
  run = Zone({"--name", "Sim"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("--password is required"), std::string::npos);
}

TEST_F(ToolsTest, LoadRunCountsRepliesAndLogsItsZoneOff) {
  const ToolRun run =
      Zone({"--password", "ledgerkite", "--load", "5", "--seconds", "1"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Load: 5 players, "), std::string::npos);
  EXPECT_EQ(run.output.find(" 0 replies ("), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Reply latency ms: p50 "), std::string::npos);
  EXPECT_TRUE(run.output.ends_with("Zone logged off\n")) << run.output;
  EXPECT_TRUE(server_->WaitForOutput("Game server logging off"));
}

TEST_F(ToolsTest, DbCheckPassesServerFilesAndReportsDamageWithoutWriting) {
  for (const char* name : {"Ann", "Bob"}) {
    ASSERT_EQ(Zone({"--password", "ledgerkite", "--player", name}).status, 0);
  }
  ASSERT_EQ(server_->Stop(SIGTERM), 0);
  ToolRun run = Db({"check", folder_.path()});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output,
            "No problems found in " + folder_.path() + " (3 files checked)\n");
  run = Db({"list", File("User.1"), "--json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("{\"user_id\":2,\"name\":\"Bob\",\"squad_id\":0,"),
            std::string::npos)
      << run.output;

  // Ann's ScoreID points past the end, and the file loses its last 10 bytes.
  std::string users = ReadFile(File("User.1"));
  ASSERT_EQ(users.size(), 312u);
  users.replace(28, 4, Int32ToBytes(99));
  users.resize(302);
  WriteFile(File("User.1"), users);
  run = Db({"check", folder_.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output,
            "User.1: 302 bytes is not a whole number of 156-byte records (146 "
            "bytes over; the server reads 2 records)\n"
            "User.1 UserID 1 (Ann): ScoreID 99 names no record of Score.1 (2 "
            "records)\n"
            "2 problems found in " +
                folder_.path() + "\n");
  EXPECT_EQ(ReadFile(File("User.1")), users);

  run = Db(
      {"export", folder_.path(), "1", "1", "1", "--csv", scratch_.File("csv")});
  EXPECT_EQ(run.status, 1) << run.output;  // the partial record is left out
  EXPECT_TRUE(ReadFile(scratch_.File("csv/User.1.csv"))
                  .starts_with("UserID,Name,SquadID,ScoreID,DataBlock,"))
      << run.output;
  EXPECT_EQ(ReadFile(scratch_.File("csv/Score.1.csv")),
            "ScoreID,Win,Loss,Ratio,KillPoints,FlagPoints,TotalPoints\r\n"
            "1,0,0,0,0,0,0\r\n2,0,0,0,0,0,0\r\n");
}

// Ann is in squad 1 of Squad.2, which Bob (UserID 2) owns; Squad.3 is cut.
TEST(DbToolTest, CheckPairsFilesByNumberUnlessIdsNameTheZones) {
  TempDir folder;
  TempDir scratch;
  std::string user = PadField("Ann", 24) + Int32ToBytes(1) + Int32ToBytes(1) +
                     std::string(156 - 32, '\0');
  WriteFile(folder.File("User.1"), user + PadField("Bob", 24) +
                                       std::string(4, '\0') + Int32ToBytes(2) +
                                       std::string(124, '\0'));
  WriteFile(folder.File("Score.1"), std::string(28, '\0'));
  WriteFile(folder.File("Squad.2"), PadField("Red", 48) + Int32ToBytes(2));
  WriteFile(folder.File("Squad.3"), std::string(53, 'x'));

  ToolRun run = RunDb(scratch, {"check", folder.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output,
            "Note: Squad.1 does not exist; read as empty\n"
            "User.1 UserID 1 (Ann): SquadID 1 names no record of Squad.1 (0 "
            "records)\n"
            "Squad.3: 53 bytes is not a whole number of 52-byte records (1 "
            "byte over; the server reads 1 record)\n"
            "2 problems found in " +
                folder.path() + "\n");

  run = RunDb(scratch, {"check", folder.path(), "--ids", "1", "2", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output,
            "Squad.3: 53 bytes is not a whole number of 52-byte records (1 "
            "byte over; the server reads 1 record)\n"
            "1 problem found in " +
                folder.path() + "\n");
}

// A User file of 1.3 million zeroed records (a hole, 203 MB) has two
// problems a record. check prints them as it finds them and, past a
// thousand of a kind, counts the rest: it never holds more than the file.
TEST(DbToolTest, CheckStreamsTheProblemsOfAHugeFileAndCountsTheRest) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's own memory hides the tool's";
#endif
  TempDir folder;
  TempDir scratch;
  constexpr std::int64_t kRecords = 1'300'000;
  const int fd =
      ::open(folder.File("User.1").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::ftruncate(fd, kRecords * 156), 0);
  ::close(fd);
  const ToolRun run = RunDb(scratch, {"check", folder.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 2005);
  EXPECT_NE(run.output.find("(1299000 more ScoreIDs that name no record not "
                            "shown)\n(1298999 more records that repeat a name "
                            "and MacID not shown)\n2599999 problems found in " +
                            folder.path() + "\n"),
            std::string::npos)
      << run.output.substr(run.output.size() - 300);
  EXPECT_LT(run.peak_kib, kRecords * 156 / 1024 * 3 / 2);
}

}  // namespace
}  // namespace tallyhall
