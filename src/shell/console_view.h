// The console views that show the terminal's lines: a full-screen view for a
// TTY and a plain line-per-call view for pipes and journald. Both show
// control bytes as visible escapes (EscapeControlBytes), since lines carry
// text from the network.
#ifndef TALLYHALL_SHELL_CONSOLE_VIEW_H_
#define TALLYHALL_SHELL_CONSOLE_VIEW_H_

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "base/terminal.h"

namespace tallyhall {

// Prints the newest line, escaped, followed by "\n" and flushes at once.
// Rows() is the height of the terminal behind `out` when it is one, else 24.
// `out` is not owned and must outlive the view. Write failures are ignored.
class PlainView : public ConsoleView {
 public:
  explicit PlainView(std::FILE* out = stdout) : out_(out) {}

  int Rows() const override;
  void Show(const std::deque<std::string>& lines,
            std::string_view newest) override;

 private:
  std::FILE* out_;
};

// A full-screen view on the terminal's alternate screen. Each repaint clears
// the screen, leaves the top row blank and draws as many of the newest lines
// as fit above one spare bottom row, each after one space, escaped and cut
// to the screen's width; the newest line is at the bottom. A screen too
// small for any line shows none.
//
// Output goes to `out` (not owned); the size is read with TIOCGWINSZ from
// `size_fd` on every repaint (24 rows and 80 columns when unknown, at most
// 255 rows). Both must outlive the view. Write failures are ignored.
class ScreenView : public ConsoleView {
 public:
  ScreenView(std::FILE* out, int size_fd) : out_(out), size_fd_(size_fd) {}
  // Leaves the alternate screen when Start() entered it.
  ~ScreenView() override;

  ScreenView(const ScreenView&) = delete;
  ScreenView& operator=(const ScreenView&) = delete;

  // Switches to the alternate screen and hides the cursor.
  void Start();
  // Shows the cursor and returns to the normal screen. Does nothing unless
  // started.
  void Stop();

  int Rows() const override;
  void Show(const std::deque<std::string>& lines,
            std::string_view newest) override;
  // Redraws from `lines` (TerminalLines, oldest first) at the screen's
  // current size; the main program calls it when the terminal is resized.
  void Repaint(const std::deque<std::string>& lines);

 private:
  void Write(std::string_view bytes);

  std::FILE* out_;
  int size_fd_;
  bool started_ = false;
};

// A ScreenView on stdout, already started, when stdout is a TTY; otherwise a
// PlainView on stdout.
std::unique_ptr<ConsoleView> MakeConsoleView();

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_CONSOLE_VIEW_H_
