// Tests of the console views: escaping of control bytes, the plain view's
// one line per call, and the full-screen view's repaint.
#include "shell/console_view.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

namespace tallyhall {
namespace {

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
  PlainView view(out.file());
  view.Show({"first"}, "first");
  view.Show({"first", "x\x1b]0;owned\x07"}, "x\x1b]0;owned\x07");
  EXPECT_EQ(out.Text(), "first\nx\\x1B]0;owned\\x07\n");
  EXPECT_EQ(view.Rows(), 24);  // a file has no screen size
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
  ScreenView view(out_.file(), pty_.slave());
  EXPECT_EQ(view.Rows(), 5);
  view.Show({"one", "two", "three", "four"}, "four");
  // Rows 2 to 4 hold the newest three lines; row 5 is spare.
  EXPECT_EQ(out_.Text(),
            "\x1b[H\x1b[2J"
            "\x1b[2;1H two\x1b[3;1H three\x1b[4;1H four");
}

TEST_F(ScreenViewTest, LinesAreEscapedAndCutToWidth) {
  pty_.Resize(4, 10);
  ScreenView view(out_.file(), pty_.slave());
  view.Repaint({"ab\x1b[2Jcdefgh"});
  EXPECT_EQ(out_.Text(), "\x1b[H\x1b[2J\x1b[2;1H ab\\x1B[2J");
}

TEST_F(ScreenViewTest, RepaintFollowsResizeAndTinyScreenShowsNone) {
  const std::deque<std::string> lines = {"a", "b", "c"};
  ScreenView view(out_.file(), pty_.slave());
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
  EXPECT_EQ(ScreenView(out_.file(), pty_.slave()).Rows(), 255);
  pty_.Resize(0, 0);
  EXPECT_EQ(ScreenView(out_.file(), pty_.slave()).Rows(), 24);
  EXPECT_EQ(ScreenView(out_.file(), ::fileno(out_.file())).Rows(), 24);
}

TEST_F(ScreenViewTest, AlternateScreenIsLeftOnceAfterStart) {
  {
    ScreenView idle(out_.file(), pty_.slave());
    idle.Stop();
  }
  EXPECT_EQ(out_.Text(), "");
  {
    ScreenView view(out_.file(), pty_.slave());
    view.Start();
    view.Start();
  }
  EXPECT_EQ(out_.Text(), "\x1b[?1049h\x1b[?25l\x1b[?25h\x1b[?1049l");
}

}  // namespace
}  // namespace tallyhall
