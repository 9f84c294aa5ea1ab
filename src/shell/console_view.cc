// Console views: the full-screen view on a TTY and the plain view elsewhere.
#include "shell/console_view.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace tallyhall {

namespace {

constexpr int kDefaultRows = 24;
constexpr int kDefaultColumns = 80;
constexpr int kMaxRows = 255;

// Terminal control sequences (ECMA-48 / xterm).
constexpr std::string_view kEnterAlternateScreen = "\x1b[?1049h\x1b[?25l";
constexpr std::string_view kLeaveAlternateScreen = "\x1b[?25h\x1b[?1049l";
constexpr std::string_view kClearScreen = "\x1b[H\x1b[2J";

struct ScreenSize {
  int rows = kDefaultRows;
  int columns = kDefaultColumns;
};

// The size of the terminal behind `fd`; the defaults for what it does not
// tell (not a terminal, or a zero size).
ScreenSize QueryScreenSize(int fd) {
  ScreenSize size;
  winsize ws{};
  if (fd >= 0 && ::ioctl(fd, TIOCGWINSZ, &ws) == 0) {
    if (ws.ws_row > 0) size.rows = std::min<int>(ws.ws_row, kMaxRows);
    if (ws.ws_col > 0) size.columns = ws.ws_col;
  }
  return size;
}

void FlushStream(std::FILE* out) {
  std::fflush(out);
  // A failed write (closed pipe, full disk) must not silence later lines.
  std::clearerr(out);
}

void WriteAndFlush(std::FILE* out, std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  FlushStream(out);
}

}  // namespace

PlainView::PlainView(std::FILE* out)
    : out_(out), rows_(QueryScreenSize(::fileno(out)).rows) {}

PlainView::~PlainView() { Flush({}, 0); }

void PlainView::Show(const std::deque<std::string>&, std::string_view newest) {
  escaped_.clear();
  AppendEscaped(newest, escaped_);
  escaped_ += '\n';
  std::fwrite(escaped_.data(), 1, escaped_.size(), out_);
}

std::int64_t PlainView::Flush(const std::deque<std::string>&, std::int64_t) {
  FlushStream(out_);
  return -1;
}

ScreenView::ScreenView(std::FILE* out, int size_fd)
    : out_(out), size_fd_(size_fd) {
  const ScreenSize size = QueryScreenSize(size_fd_);
  rows_ = size.rows;
  columns_ = size.columns;
}

ScreenView::~ScreenView() { Stop(); }

void ScreenView::Start() {
  if (started_) return;
  started_ = true;
  Write(kEnterAlternateScreen);
}

void ScreenView::Stop() {
  if (!started_) return;
  started_ = false;
  Write(kLeaveAlternateScreen);
}

void ScreenView::Show(const std::deque<std::string>& lines, std::string_view) {
  if (holding_) {
    pending_ = true;
  } else {
    Paint(lines);
  }
}

std::int64_t ScreenView::Flush(const std::deque<std::string>& lines,
                               std::int64_t now_ms) {
  if (unstamped_paint_) {
    painted_ms_ = now_ms;
    unstamped_paint_ = false;
  }
  if (!holding_) return -1;
  const std::int64_t wait = painted_ms_ + kRepaintMs - now_ms;
  if (wait > 0) return pending_ ? wait : -1;
  if (!pending_) {
    holding_ = false;
    return -1;
  }
  Paint(lines);
  painted_ms_ = now_ms;
  unstamped_paint_ = false;
  return -1;
}

void ScreenView::Repaint(const std::deque<std::string>& lines) {
  const ScreenSize size = QueryScreenSize(size_fd_);
  rows_ = size.rows;
  columns_ = size.columns;
  Paint(lines);
}

void ScreenView::Paint(const std::deque<std::string>& lines) {
  holding_ = true;
  unstamped_paint_ = true;
  pending_ = false;
  // Row 1 stays blank and the bottom row is spare, so rows - 2 lines fit.
  const std::size_t fit = static_cast<std::size_t>(std::max(rows_ - 2, 0));
  const std::size_t shown = std::min(fit, lines.size());

  std::string screen(kClearScreen);
  std::size_t first = lines.size() - shown;
  for (std::size_t i = 0; i < shown; ++i) {
    std::string row = " " + EscapeControlBytes(lines[first + i]);
    if (row.size() > static_cast<std::size_t>(columns_)) {
      row.resize(static_cast<std::size_t>(columns_));
    }
    // Cursor to the row's start: rows are numbered from 1, lines start at 2.
    screen += "\x1b[" + std::to_string(i + 2) + ";1H";
    screen += row;
  }
  Write(screen);
}

void ScreenView::Write(std::string_view bytes) { WriteAndFlush(out_, bytes); }

std::unique_ptr<ConsoleView> MakeConsoleView() {
  if (::isatty(STDOUT_FILENO)) {
    auto view = std::make_unique<ScreenView>(stdout, STDOUT_FILENO);
    view->Start();
    return view;
  }
  // The loop flushes the view before it waits; with a buffer this size the
  // lines of one batch of events leave in one write.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  return std::make_unique<PlainView>(stdout);
}

}  // namespace tallyhall
