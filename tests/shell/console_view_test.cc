// Tests of the console views: escaping of control bytes, the plain view's
// one line per call, its priorities and its buffer for a reader that stopped,
// and the full-screen view's repaint, wrapping and last screen.
#include "shell/console_view.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <string>

#include "support/fakes.h"

namespace tallyhall {
namespace {

constexpr LogPriority kInfo = LogPriority::kInfo;

// Everything written to `file` so far.
std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string bytes;
  char buffer[512];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

// A temporary file that collects a view's output.
class Capture {
 public:
  Capture() : file_(std::tmpfile()) {}
  ~Capture() { std::fclose(file_); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  std::FILE* file() const { return file_; }
  int fd() const { return ::fileno(file_); }
  std::string Text() const { return Contents(file_); }

 private:
  std::FILE* file_;
};

// A pseudo-terminal whose size the test sets; views read it from slave().
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      return;
    }
    const char* name = ::ptsname(master_);
    if (name != nullptr) slave_ = ::open(name, O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return slave_ >= 0; }
  int slave() const { return slave_; }
  void Resize(unsigned short rows, unsigned short columns) {
    winsize ws{};
    ws.ws_row = rows;
    ws.ws_col = columns;
    ASSERT_EQ(::ioctl(master_, TIOCSWINSZ, &ws), 0);
  }

 private:
  int master_ = -1;
  int slave_ = -1;
};

TEST(EscapeControlBytesTest, EscapesC0DelAndC1InUppercaseHex) {
  EXPECT_EQ(EscapeControlBytes(std::string("\x00", 1)), "\\x00");
  EXPECT_EQ(EscapeControlBytes("\x1b[2J\x07"), "\\x1B[2J\\x07");
  EXPECT_EQ(EscapeControlBytes("\r\n\t\x1f"), "\\x0D\\x0A\\x09\\x1F");
  EXPECT_EQ(EscapeControlBytes("\x7f\x80\x9b\x9f"), "\\x7F\\x80\\x9B\\x9F");
}

TEST(EscapeControlBytesTest, KeepsEveryOtherByte) {
  EXPECT_EQ(EscapeControlBytes(" ~\xa0\xe9\xff"), " ~\xa0\xe9\xff");
  EXPECT_EQ(EscapeControlBytes("a\\x1Bb"), "a\\x1Bb");
  const std::string ordinary =
      "2026-12-07 12:00:00 Zone \"Alpha\" logged in: 3 players [ok]";
  EXPECT_EQ(EscapeControlBytes(ordinary), ordinary);
  EXPECT_EQ(EscapeControlBytes(""), "");
}

TEST(PlainViewTest, WritesEachNewestLineEscapedOnItsOwnLine) {
  Capture out;
  PlainView view(out.fd());
  view.Show({"first"}, "first", kInfo);
  view.Show({"first", "x\x1b]0;owned\x07"}, "x\x1b]0;owned\x07", kInfo);
  view.Flush({}, 0);
  EXPECT_EQ(out.Text(), "first\nx\\x1B]0;owned\\x07\n");
  EXPECT_EQ(view.Rows(), 24);  // a file has no screen size
}

// The plain view writes into the stream's buffer; Flush sends a batch of
// lines on in one write.
TEST(PlainViewTest, LinesLeaveTogetherAtFlush) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
  char buffer[256];
  {
    PlainView view(fds[1]);
    view.Show({}, "one", kInfo);
    view.Show({}, "two", kInfo);
    EXPECT_EQ(::read(fds[0], buffer, sizeof buffer), -1);
    EXPECT_EQ(view.Flush({}, 0), -1);
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    ASSERT_GT(got, 0);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got)), "one\ntwo\n");
    view.Show({}, "last", kInfo);
  }
  // Whatever is left leaves when the view goes.
  const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
  ASSERT_GT(got, 0);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got)), "last\n");
  ::close(fds[1]);
  ::close(fds[0]);
}

TEST(PlainViewTest, JournalLinesStartWithTheirPriority) {
  Capture out;
  PlainView view(out.fd(), /*journal=*/true);
  view.Show({}, "Overflow 6", LogPriority::kError);
  view.Show({}, "Warning: x", LogPriority::kWarning);
  view.Show({}, "Zone\x1b", kInfo);
  view.Flush({}, 0);
  EXPECT_EQ(out.Text(), "<3>Overflow 6\n<4>Warning: x\n<6>Zone\\x1B\n");
}

TEST(PlainViewTest, JournalStreamMustNameTheDescriptorsFile) {
  Capture out;
  struct stat info {};
  ASSERT_EQ(::fstat(out.fd(), &info), 0);
  const std::string dev = std::to_string(info.st_dev);
  const std::string ino = std::to_string(info.st_ino);
  struct Case {
    std::string value;
    bool names;
  };
  for (const Case& c :
       {Case{dev + ":" + ino, true}, Case{dev + ":1", false},
        Case{"1:" + ino, false}, Case{dev + ":" + ino + "x", false},
        Case{dev + ino, false}, Case{"", false}}) {
    EXPECT_EQ(NamesStream(c.value.c_str(), out.fd()), c.names) << c.value;
  }
  EXPECT_FALSE(NamesStream(nullptr, out.fd()));
}

// Standard output that nobody reads: lines wait in the buffer up to its
// capacity, the rest are counted, and once the reader has taken everything
// one line tells how many it missed, where they would have been.
TEST(PlainViewTest, LinesBeyondTheBufferAreCountedAndReportedOnceDrained) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
  ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  // Fill the pipe, as a reader that stopped leaves it.
  const std::string block(4096, '.');
  while (::write(fds[1], block.data(), block.size()) > 0) {
  }
  while (::write(fds[1], ".", 1) > 0) {
  }
  auto read_all = [&] {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  };

  FakeClock clock;
  clock.Set({.year = 2026,
             .month = 3,
             .day = 4,
             .hour = 5,
             .minute = 6,
             .second = 7});
  // "2026-03-04 05:06:07 line N\n" is 27 bytes: two fit.
  PlainView view(fds[1], /*journal=*/true, /*capacity=*/60);
  {
    Terminal terminal(clock, &view);
    for (int i = 1; i <= 5; ++i) {
      terminal.WriteLogLine("line " + std::to_string(i));
      EXPECT_EQ(terminal.Flush(), kStalledRetryMs);
    }
    const std::string stalled = read_all();
    EXPECT_EQ(stalled.find_first_not_of('.'), std::string::npos);
    EXPECT_EQ(terminal.Flush(), -1);
    terminal.WriteLogLine("line 6");
    EXPECT_EQ(terminal.Flush(), -1);
    EXPECT_EQ(view.TakeUnshownCount(), 0u);
  }
  const std::string stamp = "2026-03-04 05:06:07 ";
  EXPECT_EQ(read_all(), "<6>" + stamp + "line 1\n<6>" + stamp + "line 2\n" +
                            "<4>" + stamp +
                            "3 lines were not shown: standard output was not "
                            "being read\n<6>" +
                            stamp + "line 6\n");
  ::close(fds[0]);
  ::close(fds[1]);
}

class ScreenViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pty_.ok()) GTEST_SKIP() << "no pseudo-terminal";
  }
  Pty pty_;
  Capture out_;
};

TEST_F(ScreenViewTest, RepaintLeavesTopRowBlankAndNewestAtBottom) {
  pty_.Resize(5, 20);
  ScreenView view(out_.fd(), pty_.slave());
  EXPECT_EQ(view.Rows(), 5);
  view.Show({"one", "two", "three", "four"}, "four", kInfo);
  // Rows 2 to 4 hold the newest three lines; row 5 is spare.
  EXPECT_EQ(out_.Text(),
            "\x1b[H\x1b[2J"
            "\x1b[2;1H two\x1b[3;1H three\x1b[4;1H four");
}

// A line wider than the screen goes on over the next rows; when the rows
// run out, the oldest line shown keeps only its end.
TEST_F(ScreenViewTest, LongLinesWrapAndTheOldestShownKeepsItsEnd) {
  pty_.Resize(5, 10);  // three rows for lines
  ScreenView view(out_.fd(), pty_.slave());
  view.Repaint({"gone", "old", "ab\x1b[2Jcdefgh"});
  view.Repaint({"0123456789abcdefghij", "new"});
  EXPECT_EQ(out_.Text(),
            "\x1b[H\x1b[2J\x1b[2;1H old\x1b[3;1H ab\\x1B[2J\x1b[4;1Hcdefgh"
            "\x1b[H\x1b[2J\x1b[2;1H9abcdefghi\x1b[3;1Hj\x1b[4;1H new");
}

// On leaving, the lines of the last screen are printed whole on the normal
// screen, so the terminal's scrollback keeps them.
TEST_F(ScreenViewTest, CloseLeavesTheLastScreenInTheScrollback) {
  pty_.Resize(5, 10);
  {
    ScreenView view(out_.fd(), pty_.slave());
    view.Start();
    view.Close({"gone", "old", "0123456789abc", "\x1b"});
  }
  EXPECT_EQ(out_.Text(),
            "\x1b[?1049h\x1b[?25l\x1b[?25h\x1b[?1049l"
            "0123456789abc\n\\x1B\n");
}

TEST_F(ScreenViewTest, RepaintFollowsResizeAndTinyScreenShowsNone) {
  const std::deque<std::string> lines = {"a", "b", "c"};
  ScreenView view(out_.fd(), pty_.slave());
  pty_.Resize(3, 80);
  view.Repaint(lines);
  EXPECT_EQ(out_.Text(), "\x1b[H\x1b[2J\x1b[2;1H c");

  pty_.Resize(2, 80);
  view.Repaint(lines);
  pty_.Resize(1, 80);
  view.Repaint(lines);
  EXPECT_EQ(out_.Text(),
            "\x1b[H\x1b[2J\x1b[2;1H c"
            "\x1b[H\x1b[2J\x1b[H\x1b[2J");
}

TEST_F(ScreenViewTest, RowsAreCappedAt255AndDefaultTo24) {
  pty_.Resize(300, 80);
  EXPECT_EQ(ScreenView(out_.fd(), pty_.slave()).Rows(), 255);
  pty_.Resize(0, 0);
  EXPECT_EQ(ScreenView(out_.fd(), pty_.slave()).Rows(), 24);
  EXPECT_EQ(ScreenView(out_.fd(), out_.fd()).Rows(), 24);
}

// How many times the screen was painted.
std::size_t Paints(const std::string& output) {
  std::size_t count = 0;
  for (std::size_t at = output.find("\x1b[2J"); at != std::string::npos;
       at = output.find("\x1b[2J", at + 1)) {
    ++count;
  }
  return count;
}

// Show paints at once only when no paint happened in the last 50 ms; Flush
// paints what waits once they have passed and says how long to wait before.
TEST_F(ScreenViewTest, RepaintsAreAtLeastFiftyMillisecondsApart) {
  pty_.Resize(6, 20);
  ScreenView view(out_.fd(), pty_.slave());
  std::deque<std::string> lines = {"a"};
  view.Show(lines, "a", kInfo);
  lines.push_back("b");
  view.Show(lines, "b", kInfo);
  EXPECT_EQ(Paints(out_.Text()), 1u);

  struct Step {
    std::int64_t now_ms;
    std::int64_t wait;
    std::size_t paints;
  };
  // The first Flush after a paint dates it.
  for (const Step& step : {Step{1000, 50, 1}, Step{1030, 20, 1},
                           Step{1050, -1, 2}, Step{1060, -1, 2}}) {
    EXPECT_EQ(view.Flush(lines, step.now_ms), step.wait) << step.now_ms;
    EXPECT_EQ(Paints(out_.Text()), step.paints) << step.now_ms;
  }
  EXPECT_TRUE(out_.Text().ends_with(" a\x1b[3;1H b"));

  // Quiet for 50 ms: the next line paints at once again.
  EXPECT_EQ(view.Flush(lines, 1100), -1);
  lines.push_back("c");
  view.Show(lines, "c", kInfo);
  EXPECT_EQ(Paints(out_.Text()), 3u);
}

TEST_F(ScreenViewTest, BurstOfTenThousandLinesPaintsAFewTimesAndEndsShown) {
  pty_.Resize(24, 80);
  ScreenView view(out_.fd(), pty_.slave());
  std::deque<std::string> lines;
  std::int64_t now_ms = 0;
  std::int64_t wait = -1;
  // A second of lines, flushed after every ten as batches of datagrams are.
  for (int i = 0; i < 10000; ++i) {
    lines.push_back("line " + std::to_string(i));
    if (lines.size() > 255) lines.pop_front();
    view.Show(lines, lines.back(), kInfo);
    if (i % 10 == 9) wait = view.Flush(lines, ++now_ms);
  }
  ASSERT_GE(wait, 0);
  EXPECT_EQ(view.Flush(lines, now_ms + wait), -1);
  EXPECT_LE(Paints(out_.Text()), 25u);
  EXPECT_TRUE(out_.Text().ends_with(" line 9999"));
}

TEST_F(ScreenViewTest, AlternateScreenIsLeftOnceAfterStart) {
  {
    ScreenView idle(out_.fd(), pty_.slave());
    idle.Stop();
  }
  EXPECT_EQ(out_.Text(), "");
  {
    ScreenView view(out_.fd(), pty_.slave());
    view.Start();
    view.Start();
  }
  EXPECT_EQ(out_.Text(), "\x1b[?1049h\x1b[?25l\x1b[?25h\x1b[?1049l");
}

}  // namespace
}  // namespace tallyhall
