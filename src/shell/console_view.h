// The console views that show the terminal's lines: a full-screen view for a
// TTY and a plain line-per-call view for pipes and journald. Both show
// control bytes as visible escapes (EscapeControlBytes), since lines carry
// text from the network.
#ifndef TALLYHALL_SHELL_CONSOLE_VIEW_H_
#define TALLYHALL_SHELL_CONSOLE_VIEW_H_

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "base/terminal.h"

namespace tallyhall {

// Prints each newest line, escaped, followed by "\n" into the stream's
// buffer; Flush (and the destructor) pushes the buffer out, so the lines of
// one batch of events leave in one write. Rows() is the height of the
// terminal behind `out` as it was when the view was made, else 24.
// `out` is not owned and must outlive the view. Write failures are ignored.
class PlainView : public ConsoleView {
 public:
  explicit PlainView(std::FILE* out = stdout);
  ~PlainView() override;

  PlainView(const PlainView&) = delete;
  PlainView& operator=(const PlainView&) = delete;

  int Rows() const override { return rows_; }
  void Show(const std::deque<std::string>& lines,
            std::string_view newest) override;
  std::int64_t Flush(const std::deque<std::string>& lines,
                     std::int64_t now_ms) override;

 private:
  std::FILE* out_;
  int rows_;
  std::string escaped_;  // reused for each line
};

// A full-screen view on the terminal's alternate screen. Each repaint clears
// the screen, leaves the top row blank and draws as many of the newest lines
// as fit above one spare bottom row, each after one space, escaped and cut
// to the screen's width; the newest line is at the bottom. A screen too
// small for any line shows none.
//
// Repaints are at least kRepaintMs apart: Show repaints at once when no
// repaint happened in that time, else it leaves the repaint to Flush, which
// makes it once the time has passed and until then tells the loop when to
// call again; so the final state is always painted and a burst of lines
// costs a few repaints.
//
// Output goes to `out` (not owned); the size is read with TIOCGWINSZ from
// `size_fd` when the view is made and on every Repaint (24 rows and 80
// columns when unknown, at most 255 rows). Both must outlive the view.
// Write failures are ignored.
class ScreenView : public ConsoleView {
 public:
  static constexpr std::int64_t kRepaintMs = 50;

  ScreenView(std::FILE* out, int size_fd);
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
  void Show(const std::deque<std::string>& lines,
            std::string_view newest) override;
  std::int64_t Flush(const std::deque<std::string>& lines,
                     std::int64_t now_ms) override;
  // Reads the screen's size again and redraws from `lines` (TerminalLines,
  // oldest first) at once; the main program calls it when the terminal is
  // resized.
  void Repaint(const std::deque<std::string>& lines);

 private:
  void Paint(const std::deque<std::string>& lines);
  void Write(std::string_view bytes);

  std::FILE* out_;
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
// PlainView on stdout.
std::unique_ptr<ConsoleView> MakeConsoleView();

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_CONSOLE_VIEW_H_
