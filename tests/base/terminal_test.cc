// Tests of the terminal: stamping, the screen-sized line list and the
// Terminal.log appends.
#include "base/terminal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "base/failure.h"
#include "shell/console_view.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

class TerminalTest : public ::testing::Test {
 protected:
  TerminalTest() {
    clock_.Set({.year = 2026,
                .month = 3,
                .day = 4,
                .hour = 5,
                .minute = 6,
                .second = 7});
  }

  // The stamp the fake clock gives every line.
  static constexpr std::string_view kStamp = "2026-03-04 05:06:07 ";

  void WriteNumbered(int from, int to) {
    for (int i = from; i <= to; ++i) {
      terminal_.WriteLogLine("line " + std::to_string(i));
    }
  }
  std::string Oldest() const { return terminal_.lines().front().substr(20); }
  std::string Newest() const { return terminal_.lines().back().substr(20); }

  FakeClock clock_;
  RecordingView view_{5};
  TempDir dir_;
  Terminal terminal_{clock_, &view_};
};

TEST_F(TerminalTest, LineIsStampedWithDateBlankTimeBlankText) {
  terminal_.WriteLogLine("Zone A logged in");
  ASSERT_EQ(terminal_.lines().size(), 1u);
  EXPECT_EQ(terminal_.lines()[0], "2026-03-04 05:06:07 Zone A logged in");
  ASSERT_EQ(view_.shown.size(), 1u);
  EXPECT_EQ(view_.shown[0], terminal_.lines()[0]);
}

TEST_F(TerminalTest, ListHoldsScreenRowsThenDropsOldest) {
  WriteNumbered(1, 5);
  EXPECT_EQ(terminal_.lines().size(), 5u);
  EXPECT_EQ(Oldest(), "line 1");

  WriteNumbered(6, 7);
  EXPECT_EQ(terminal_.lines().size(), 5u);
  EXPECT_EQ(Oldest(), "line 3");
  EXPECT_EQ(Newest(), "line 7");
  EXPECT_EQ(view_.shown.size(), 7u);
}

TEST_F(TerminalTest, CapacityIsWithinOneAnd255And24WithoutView) {
  view_.set_rows(300);
  WriteNumbered(1, 300);
  EXPECT_EQ(terminal_.lines().size(), 255u);
  EXPECT_EQ(Oldest(), "line 46");

  // A screen that shrinks to nothing keeps the lines for when it grows.
  view_.set_rows(0);
  terminal_.WriteLogLine("only");
  ASSERT_EQ(terminal_.lines().size(), 255u);
  EXPECT_EQ(Newest(), "only");

  Terminal bare(clock_, nullptr);
  for (int i = 0; i < 30; ++i) bare.WriteLogLine("x");
  EXPECT_EQ(bare.lines().size(), 24u);
}

// The list keeps the largest screen seen, so shrinking and growing the
// window loses no line; the views show the newest lines that fit.
TEST_F(TerminalTest, ShrinkingScreenLosesNoLine) {
  view_.set_rows(10);
  WriteNumbered(1, 10);
  view_.set_rows(4);
  WriteNumbered(11, 11);
  ASSERT_EQ(terminal_.lines().size(), 10u);
  EXPECT_EQ(Oldest(), "line 2");
  EXPECT_EQ(Newest(), "line 11");

  view_.set_rows(6);
  WriteNumbered(12, 12);
  EXPECT_EQ(terminal_.lines().size(), 10u);
  EXPECT_EQ(Oldest(), "line 3");
  view_.set_rows(12);
  WriteNumbered(13, 13);
  EXPECT_EQ(terminal_.lines().size(), 11u);
  EXPECT_EQ(Oldest(), "line 3");
}

// Lines of one second share their stamp; a new second or a new day at the
// same time of day gets its own.
TEST_F(TerminalTest, StampFollowsTheClockAcrossSecondsAndDays) {
  terminal_.WriteLogLine("a");
  terminal_.WriteLogLine("b");
  clock_.Advance(1);
  terminal_.WriteLogLine("c");
  clock_.Advance(24 * 60 * 60);
  terminal_.WriteLogLine("d");
  EXPECT_EQ(view_.shown,
            (std::vector<std::string>{
                "2026-03-04 05:06:07 a", "2026-03-04 05:06:07 b",
                "2026-03-04 05:06:08 c", "2026-03-05 05:06:08 d"}));
}

// The view gets each line's priority: the writer's, or else kWarning for a
// "Warning:" line; the failure rule's lines are errors.
TEST_F(TerminalTest, LinesCarryTheirPriorityToTheView) {
  terminal_.WriteLogLine("Warning: BillingPassword still has its default");
  terminal_.WriteLogLine("Zone A logged in: Warning: spoofed");
  terminal_.WriteLogLine("Zone A Could not write User.1: full",
                         LogPriority::kError);
  RunStep(terminal_, [] { Fail(FailureKind::kOverflow); });
  RunStep(terminal_, [] { static_cast<void>(std::string().at(1)); });
  EXPECT_EQ(view_.priorities,
            (std::vector<LogPriority>{LogPriority::kWarning, LogPriority::kInfo,
                                      LogPriority::kError, LogPriority::kError,
                                      LogPriority::kError}));
}

TEST_F(TerminalTest, LogFileIsAppendedOnlyWhileAPathIsSet) {
  const std::string log = dir_.File("Terminal.log");
  terminal_.WriteLogLine("Tallyhall 1");
  EXPECT_FALSE(FileExists(log));

  WriteFile(log, "earlier\r\n");
  terminal_.set_log_path(log);
  terminal_.WriteLogLine("first");
  terminal_.WriteLogLine("second");
  terminal_.set_log_path("");
  terminal_.WriteLogLine("not logged");
  const std::string stamp(kStamp);
  EXPECT_EQ(ReadFile(log),
            "earlier\r\n" + stamp + "first\r\n" + stamp + "second\r\n");
}

TEST_F(TerminalTest, UnwritableLogIsIgnoredAndLaterLinesTryAgain) {
  WriteFile(dir_.File("plain"), "x");
  terminal_.set_log_path(dir_.File("plain") + "/Terminal.log");
  terminal_.WriteLogLine("parent is a file");

  const std::string log = dir_.File("Terminal.log");
  ASSERT_EQ(::mkdir(log.c_str(), 0755), 0);
  terminal_.set_log_path(log);
  terminal_.WriteLogLine("log is a folder");

  ASSERT_EQ(view_.Texts(),
            (std::vector<std::string>{"parent is a file", "log is a folder"}));
  ASSERT_EQ(::rmdir(log.c_str()), 0);
  terminal_.WriteLogLine("writable again");
  EXPECT_EQ(ReadFile(log), std::string(kStamp) + "writable again\r\n");
}

// Lines carry names and text from the network: stdout and Terminal.log get
// the same escaped line, so a CR LF in a zone name cannot forge log lines.
TEST_F(TerminalTest, HostileLineIsEscapedOnStdoutAndInLog) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  PlainView plain(::fileno(out));
  Terminal terminal(clock_, &plain);
  const std::string log = dir_.File("Terminal.log");
  terminal.set_log_path(log);

  const std::string stamp(kStamp);
  terminal.WriteLogLine("Eve> \x1b[2J\x07hi");
  terminal.WriteLogLine("Zone A logged in");
  terminal.WriteLogLine("Z\r\n" + stamp + "forged");
  // The list keeps the raw line; the views and the log escape it.
  EXPECT_EQ(terminal.lines().front(), stamp + "Eve> \x1b[2J\x07hi");

  terminal.Flush();
  std::rewind(out);
  std::string shown(512, '\0');
  shown.resize(std::fread(shown.data(), 1, shown.size(), out));
  std::fclose(out);
  std::string on_stdout;
  std::string in_log;
  for (const std::string& line :
       {stamp + "Eve> \\x1B[2J\\x07hi", stamp + "Zone A logged in",
        stamp + "Z\\x0D\\x0A" + stamp + "forged"}) {
    on_stdout += line + "\n";
    in_log += line + "\r\n";
  }
  EXPECT_EQ(shown, on_stdout);
  EXPECT_EQ(ReadFile(log), in_log);
}

}  // namespace
}  // namespace tallyhall
