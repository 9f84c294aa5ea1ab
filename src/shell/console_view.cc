// Console views: the full-screen view on a TTY and the plain view elsewhere.
#include "shell/console_view.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <vector>

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

// The newest of `lines` whose rows fit in `fit` rows of `columns` columns,
// oldest first, each as one blank and its escaped text; a line takes as
// many rows as its width needs. The oldest of them may need more rows than
// were left.
std::vector<std::string> NewestThatFit(const std::deque<std::string>& lines,
                                       std::size_t fit, std::size_t columns) {
  std::vector<std::string> shown;  // newest first
  std::size_t used = 0;
  for (auto line = lines.rbegin(); line != lines.rend() && used < fit; ++line) {
    std::string text = " ";
    AppendEscaped(*line, text);
    used += (text.size() + columns - 1) / columns;
    shown.push_back(std::move(text));
  }
  std::reverse(shown.begin(), shown.end());
  return shown;
}

}  // namespace

bool NamesStream(const char* journal_stream, int fd) {
  if (journal_stream == nullptr) return false;
  const std::string_view text(journal_stream);
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  unsigned long long device = 0;
  unsigned long long inode = 0;
  const char* device_end = text.data() + colon;
  const char* inode_end = text.data() + text.size();
  if (std::from_chars(text.data(), device_end, device).ptr != device_end ||
      std::from_chars(device_end + 1, inode_end, inode).ptr != inode_end) {
    return false;
  }
  struct stat info {};
  return ::fstat(fd, &info) == 0 && info.st_dev == device &&
         info.st_ino == inode;
}

PlainView::PlainView(int fd, bool journal, std::size_t capacity)
    : out_(fd, capacity), journal_(journal), rows_(QueryScreenSize(fd).rows) {}

PlainView::~PlainView() { out_.Drain(); }

void PlainView::Show(const std::deque<std::string>&, std::string_view newest,
                     LogPriority priority) {
  // Once a line was left out, the rest wait for the gap to be reported.
  if (unshown_ > 0) {
    ++unshown_;
    return;
  }
  line_.clear();
  if (journal_) {
    line_ += '<';
    line_ += static_cast<char>('0' + static_cast<int>(priority));
    line_ += '>';
  }
  AppendEscaped(newest, line_);
  line_ += '\n';
  if (!out_.Append(line_)) ++unshown_;
}

std::int64_t PlainView::Flush(const std::deque<std::string>&, std::int64_t) {
  return out_.Drain() ? -1 : kStalledRetryMs;
}

std::uint64_t PlainView::TakeUnshownCount() {
  if (unshown_ == 0 || !out_.empty()) return 0;
  const std::uint64_t count = unshown_;
  unshown_ = 0;
  return count;
}

void PlainView::Close(const std::deque<std::string>&) {
  out_.DrainFor(kCloseWaitMs);
}

ScreenView::ScreenView(int out_fd, int size_fd)
    : out_(out_fd), size_fd_(size_fd) {
  const ScreenSize size = QueryScreenSize(size_fd_);
  rows_ = size.rows;
  columns_ = size.columns;
}

ScreenView::~ScreenView() {
  Stop();
  out_.DrainFor(kCloseWaitMs);
}

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

void ScreenView::Show(const std::deque<std::string>& lines, std::string_view,
                      LogPriority) {
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
  if (!out_.Drain()) return kStalledRetryMs;
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
  return out_.empty() ? -1 : kStalledRetryMs;
}

void ScreenView::Close(const std::deque<std::string>& lines) {
  const bool was_started = started_;
  Stop();
  if (was_started) {
    std::string last;
    for (const std::string& text :
         NewestThatFit(lines, FitRows(), static_cast<std::size_t>(columns_))) {
      last.append(text, 1);  // on the normal screen, without the blank
      last += '\n';
    }
    Write(last);
  }
  out_.DrainFor(kCloseWaitMs);
}

void ScreenView::Repaint(const std::deque<std::string>& lines) {
  const ScreenSize size = QueryScreenSize(size_fd_);
  rows_ = size.rows;
  columns_ = size.columns;
  Paint(lines);
}

std::size_t ScreenView::FitRows() const {
  // Row 1 stays blank and the bottom row is spare.
  return static_cast<std::size_t>(std::max(rows_ - 2, 0));
}

void ScreenView::Paint(const std::deque<std::string>& lines) {
  holding_ = true;
  // The terminal has not taken the last screen: the next Flush tries again.
  if (!out_.Drain()) {
    pending_ = true;
    return;
  }
  unstamped_paint_ = true;
  pending_ = false;
  const std::size_t fit = FitRows();
  const auto columns = static_cast<std::size_t>(columns_);
  const std::vector<std::string> shown = NewestThatFit(lines, fit, columns);
  std::size_t needed = 0;
  for (const std::string& text : shown) {
    needed += (text.size() + columns - 1) / columns;
  }
  // The oldest line shown loses the rows that do not fit, from its start.
  std::size_t skip = needed > fit ? needed - fit : 0;

  std::string screen(kClearScreen);
  std::size_t row = 2;  // rows are numbered from 1; lines start at 2
  for (const std::string& text : shown) {
    for (std::size_t at = 0; at < text.size(); at += columns) {
      if (skip > 0) {
        --skip;
        continue;
      }
      screen += "\x1b[" + std::to_string(row++) + ";1H";
      screen.append(text, at, columns);
    }
  }
  Write(screen);
}

void ScreenView::Write(std::string_view bytes) {
  static_cast<void>(out_.Append(bytes));  // a screen never nears the capacity
  out_.Drain();
}

std::unique_ptr<ConsoleView> MakeConsoleView() {
  if (::isatty(STDOUT_FILENO)) {
    auto view = std::make_unique<ScreenView>(STDOUT_FILENO, STDOUT_FILENO);
    view->Start();
    return view;
  }
  return std::make_unique<PlainView>(
      STDOUT_FILENO, NamesStream(std::getenv("JOURNAL_STREAM"), STDOUT_FILENO));
}

}  // namespace tallyhall
