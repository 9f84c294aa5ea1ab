// The terminal: the running, time-stamped log of what the server does, kept
// as the lines that fit on the operator's screen and, when LogTerminal is on,
// appended to Terminal.log.
#ifndef TALLYHALL_BASE_TERMINAL_H_
#define TALLYHALL_BASE_TERMINAL_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace tallyhall {

// Where the terminal's lines are shown. A full-screen view repaints from the
// whole list; a plain view prints the newest line.
class ConsoleView {
 public:
  virtual ~ConsoleView() = default;
  // The screen's height in text rows.
  virtual int Rows() const = 0;
  // Called after every new line. `lines` is TerminalLines, oldest first;
  // `newest` is its last element. A view may hold back what it shows until
  // Flush.
  virtual void Show(const std::deque<std::string>& lines,
                    std::string_view newest) = 0;
  // Called by the loop before it waits for more events (`now_ms`: the
  // steady clock): whatever Show held back leaves now, or, when it may not
  // leave yet, the result is how many milliseconds later the loop must call
  // again. -1 when nothing is held back.
  virtual std::int64_t Flush(const std::deque<std::string>& /*lines*/,
                             std::int64_t /*now_ms*/) {
    return -1;
  }
};

// `text` with every byte below 0x20, the byte 0x7F and the bytes 0x80..0x9F
// replaced by "\x" and two uppercase hex digits (ESC becomes "\x1B"); every
// other byte, the backslash included, is kept. Such bytes would otherwise
// move the cursor, clear or retitle the operator's screen, or split one line
// of Terminal.log into forged ones.
std::string EscapeControlBytes(std::string_view text);
// Appends EscapeControlBytes(text) to `out`, without a copy of its own.
void AppendEscaped(std::string_view text, std::string& out);

class Terminal {
 public:
  // `clock` and `view` must outlive the terminal; `view` may be null (lines
  // are then only kept and logged).
  Terminal(const Clock& clock, ConsoleView* view);

  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Stamps `text` (date, blank, time, blank, text), keeps it in
  // TerminalLines, shows it and, when a log path is set, appends it escaped
  // (EscapeControlBytes) with CR LF to that file, so one line stays one line
  // of the file. A failure to append is ignored.
  void WriteLogLine(std::string_view text);

  // WriteLogLine for the line of a failed step (base/failure.h); counted.
  void WriteFailureLine(std::string_view text) {
    ++failure_lines_;
    WriteLogLine(text);
  }
  std::uint64_t failure_lines() const { return failure_lines_; }

  // Flushes the view (ConsoleView::Flush with the clock's steady time);
  // returns its answer, -1 without a view.
  std::int64_t Flush();

  // The log file; empty (the start value) means LogTerminal is off.
  void set_log_path(std::string path) { log_path_ = std::move(path); }

  // TerminalLines, oldest first. Never longer than Capacity().
  const std::deque<std::string>& lines() const { return lines_; }

  // How many lines the list keeps: the most screen rows seen so far (now
  // included), at least 1 and at most 255. A screen that shrinks loses no
  // line; the views show the newest lines that fit.
  std::size_t Capacity() const;

 private:
  const Clock& clock_;
  ConsoleView* view_;
  std::string log_path_;
  std::deque<std::string> lines_;
  std::uint64_t failure_lines_ = 0;
  std::size_t largest_capacity_ = 1;
  // The stamp text of the last line and the time it was made from, so that
  // lines of the same second share one formatting.
  LocalTime stamp_time_;
  std::string stamp_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_TERMINAL_H_
