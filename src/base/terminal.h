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
#include <vector>

#include "base/clock.h"

namespace tallyhall {

// How much a line matters, as a syslog priority: what a journal reader
// filters on (journalctl -p warning shows kWarning and kError lines).
enum class LogPriority { kError = 3, kWarning = 4, kInfo = 6 };

// The priority of a line whose writer names none: kWarning for a text that
// starts with "Warning:", kInfo otherwise. Failures name kError themselves.
LogPriority PriorityOf(std::string_view text);

// Where the terminal's lines are shown. A full-screen view repaints from the
// whole list; a plain view prints the newest line.
class ConsoleView {
 public:
  virtual ~ConsoleView() = default;
  // The screen's height in text rows.
  virtual int Rows() const = 0;
  // Called after every new line. `lines` is TerminalLines, oldest first;
  // `newest` is its last element, written with `priority`. A view may hold
  // back what it shows until Flush.
  virtual void Show(const std::deque<std::string>& lines,
                    std::string_view newest, LogPriority priority) = 0;
  // Called by the loop before it waits for more events (`now_ms`: the
  // steady clock): whatever Show held back leaves now, or, when it may not
  // leave yet, the result is how many milliseconds later the loop must call
  // again. -1 when nothing is held back.
  virtual std::int64_t Flush(const std::deque<std::string>& /*lines*/,
                             std::int64_t /*now_ms*/) {
    return -1;
  }
  // How many lines the view had to leave out since the last call because
  // its output was not being taken, once that output has drained (so the
  // count can be reported where those lines would have been); 0 otherwise.
  virtual std::uint64_t TakeUnshownCount() { return 0; }
  // Called once, when the terminal goes away, with its last lines: the view
  // leaves behind what it can (the rest of its output, the last screen).
  virtual void Close(const std::deque<std::string>& /*lines*/) {}
};

// The line the terminal writes once its view drained after it had to leave
// lines out: `count` + " lines were not shown: standard output was not
// being read".
std::string UnshownLinesText(std::uint64_t count);

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
  // Closes the view (ConsoleView::Close) with the last lines.
  ~Terminal();

  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Stamps `text` (date, blank, time, blank, text), keeps it in
  // TerminalLines, shows it with `priority` (PriorityOf(text) when none is
  // given) and, when a log path is set, appends it escaped
  // (EscapeControlBytes) with CR LF to that file, so one line stays one line
  // of the file. A failure to append is ignored.
  void WriteLogLine(std::string_view text);
  void WriteLogLine(std::string_view text, LogPriority priority);

  // A line kept back by a hold: its text, unstamped, and its priority.
  struct HeldLine {
    std::string text;
    LogPriority priority;
  };
  // While `held` is not null, WriteLogLine appends each line to it instead of
  // writing it; the holder decides afterwards which to write. Null writes
  // again. Use LineHold, which always lets go.
  void HoldLines(std::vector<HeldLine>* held) { held_ = held; }

  // WriteLogLine for the line of a failed step (base/failure.h); counted.
  void WriteFailureLine(std::string_view text) {
    ++failure_lines_;
    WriteLogLine(text, LogPriority::kError);
  }
  std::uint64_t failure_lines() const { return failure_lines_; }

  // Flushes the view (ConsoleView::Flush with the clock's steady time);
  // returns its answer, -1 without a view. When the view reports lines it
  // left out, writes UnshownLinesText as a kWarning line first.
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
  std::vector<HeldLine>* held_ = nullptr;
};

// Holds the terminal's lines from its construction to its destruction (or
// Release), so that an exception cannot leave the terminal holding.
class LineHold {
 public:
  explicit LineHold(Terminal& terminal) : terminal_(terminal) {
    terminal_.HoldLines(&lines_);
  }
  ~LineHold() { terminal_.HoldLines(nullptr); }
  LineHold(const LineHold&) = delete;
  LineHold& operator=(const LineHold&) = delete;

  // Stops holding and hands over the lines held so far.
  std::vector<Terminal::HeldLine> Release() {
    terminal_.HoldLines(nullptr);
    return std::move(lines_);
  }

 private:
  Terminal& terminal_;
  std::vector<Terminal::HeldLine> lines_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_TERMINAL_H_
