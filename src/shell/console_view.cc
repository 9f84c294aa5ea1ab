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

void WriteAndFlush(std::FILE* out, std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fflush(out);
  // A failed write (closed pipe, full disk) must not silence later lines.
  std::clearerr(out);
}

}  // namespace

int PlainView::Rows() const { return QueryScreenSize(::fileno(out_)).rows; }

void PlainView::Show(const std::deque<std::string>&, std::string_view newest) {
  std::string line = EscapeControlBytes(newest);
  line += '\n';
  WriteAndFlush(out_, line);
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

int ScreenView::Rows() const { return QueryScreenSize(size_fd_).rows; }

void ScreenView::Show(const std::deque<std::string>& lines, std::string_view) {
  Repaint(lines);
}

void ScreenView::Repaint(const std::deque<std::string>& lines) {
  const ScreenSize size = QueryScreenSize(size_fd_);
  // Row 1 stays blank and the bottom row is spare, so rows - 2 lines fit.
  const std::size_t fit = static_cast<std::size_t>(std::max(size.rows - 2, 0));
  const std::size_t shown = std::min(fit, lines.size());

  std::string screen(kClearScreen);
  std::size_t first = lines.size() - shown;
  for (std::size_t i = 0; i < shown; ++i) {
    std::string row = " " + EscapeControlBytes(lines[first + i]);
    if (row.size() > static_cast<std::size_t>(size.columns)) {
      row.resize(static_cast<std::size_t>(size.columns));
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
  return std::make_unique<PlainView>(stdout);
}

}  // namespace tallyhall
