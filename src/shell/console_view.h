// The console views that show the terminal's lines: a full-screen view for a
// TTY and a plain line-per-call view for pipes, files and journald. Neither
// ever waits for its reader. Both show control bytes as visible escapes
// (EscapeControlBytes), since lines carry text from the network.
#ifndef TALLYHALL_SHELL_CONSOLE_VIEW_H_
#define TALLYHALL_SHELL_CONSOLE_VIEW_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "base/terminal.h"
#include "shell/output_buffer.h"

namespace tallyhall {

// How long a view waits, before the loop calls Flush again, while its
// output is not being taken.
inline constexpr std::int64_t kStalledRetryMs = 100;
// How long the last output may take when the view closes.
inline constexpr int kCloseWaitMs = 2000;

// True when `journal_stream` (the JOURNAL_STREAM variable: "device:inode"
// in decimal; may be null) names the file behind `fd`: the journal then
// reads it.
bool NamesStream(const char* journal_stream, int fd);

// Prints each newest line, escaped and followed by "\n", into an
// OutputBuffer on `fd`; Flush writes what the descriptor takes, so the lines
// of one batch of events leave in one write and a reader that stops reading
// never stops the loop. With `journal`, each line starts with its priority
// as "<N>" (N: the LogPriority number), which the journal reads as the
// line's priority.
//
// When the buffer (`capacity` bytes) is full, lines are left out and
// counted until it has drained; TakeUnshownCount then hands the count over
// once. Rows() is the height of the terminal behind `fd` as it was when the
// view was made, else 24. `fd` is not owned and must outlive the view.
class PlainView : public ConsoleView {
 public:
  explicit PlainView(int fd, bool journal = false,
                     std::size_t capacity = OutputBuffer::kDefaultCapacity);
  // Writes what the descriptor takes now.
  ~PlainView() override;

  PlainView(const PlainView&) = delete;
  PlainView& operator=(const PlainView&) = delete;

  int Rows() const override { return rows_; }
  void Show(const std::deque<std::string>& lines, std::string_view newest,
            LogPriority priority) override;
  // -1 when everything was written, else kStalledRetryMs.
  std::int64_t Flush(const std::deque<std::string>& lines,
                     std::int64_t now_ms) override;
  std::uint64_t TakeUnshownCount() override;
  // Waits up to kCloseWaitMs for the rest to be taken.
  void Close(const std::deque<std::string>& lines) override;

 private:
  OutputBuffer out_;
  bool journal_;
  int rows_;
  std::uint64_t unshown_ = 0;
  std::string line_;  // reused for each line
};

// A full-screen view on the terminal's alternate screen. Each repaint clears
// the screen, leaves the top row blank and draws as many of the newest lines
// as fit above one spare bottom row, each after one space and escaped; a
// line wider than the screen goes on over the next rows (the oldest line
// shown may show only its end). The newest line is at the bottom. A screen
// too small for any line shows none.
//
// Repaints are at least kRepaintMs apart: Show repaints at once when no
// repaint happened in that time, else it leaves the repaint to Flush, which
// makes it once the time has passed and until then tells the loop when to
// call again; so the final state is always painted and a burst of lines
// costs a few repaints. Output goes through an OutputBuffer: while the
// terminal has not taken the last screen, no new one is drawn, and Flush
// asks to be called again.
//
// Output goes to `out_fd`; the size is read with TIOCGWINSZ from `size_fd`
// when the view is made and on every Repaint (24 rows and 80 columns when
// unknown, at most 255 rows). Neither is owned; both must outlive the view.
// Write failures are ignored.
class ScreenView : public ConsoleView {
 public:
  static constexpr std::int64_t kRepaintMs = 50;

  ScreenView(int out_fd, int size_fd);
  // Leaves the alternate screen when Start() entered it.
  ~ScreenView() override;

  ScreenView(const ScreenView&) = delete;
  ScreenView& operator=(const ScreenView&) = delete;

  // Switches to the alternate screen and hides the cursor.
  void Start();
  // Shows the cursor and returns to the normal screen. Does nothing unless
  // started.
  void Stop();

  int Rows() const override { return rows_; }
  void Show(const std::deque<std::string>& lines, std::string_view newest,
            LogPriority priority) override;
  std::int64_t Flush(const std::deque<std::string>& lines,
                     std::int64_t now_ms) override;
  // Stop, then prints the lines of the last screen whole, escaped, one per
  // line, so that they stay in the terminal's scrollback; waits up to
  // kCloseWaitMs for the terminal to take them.
  void Close(const std::deque<std::string>& lines) override;
  // Reads the screen's size again and redraws from `lines` (TerminalLines,
  // oldest first) at once; the main program calls it when the terminal is
  // resized.
  void Repaint(const std::deque<std::string>& lines);

 private:
  void Paint(const std::deque<std::string>& lines);
  void Write(std::string_view bytes);
  // The rows below the blank top row and above the spare bottom row.
  std::size_t FitRows() const;

  OutputBuffer out_;
  int size_fd_;
  int rows_ = 0;
  int columns_ = 0;
  bool started_ = false;
  // A repaint happened less than kRepaintMs ago (as far as Flush has seen).
  bool holding_ = false;
  // A repaint happened since the last Flush, which stamps its time.
  bool unstamped_paint_ = false;
  std::int64_t painted_ms_ = 0;
  // Lines arrived that the screen does not show yet.
  bool pending_ = false;
};

// A ScreenView on stdout, already started, when stdout is a TTY; otherwise a
// PlainView on stdout, writing priorities when JOURNAL_STREAM names stdout.
std::unique_ptr<ConsoleView> MakeConsoleView();

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_CONSOLE_VIEW_H_
