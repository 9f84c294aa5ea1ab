// The terminal: stamps each log line, keeps the newest lines that fit on the
// largest screen seen, hands them to the console view and appends them,
// escaped, to Terminal.log.
#include "base/terminal.h"

#include <algorithm>

#include "base/file_io.h"

namespace tallyhall {

namespace {

// The screen height used when there is no view to ask.
constexpr int kDefaultRows = 24;
// TerminalLineCount is an 8-bit count.
constexpr int kMaxLines = 255;

// Appends `line` and CR LF to the file at `path`, creating it when missing.
// The file is opened and closed for this one line; a failure is dropped on
// purpose: a locked or unwritable log must not stop the server, the line
// stays on the screen, and the next line tries again.
void AppendLogLine(const std::string& path, std::string_view line) {
  std::string bytes(line);
  bytes += "\r\n";
  static_cast<void>(AppendToFile(path, bytes, kDataFileMode));
}

}  // namespace

std::string EscapeControlBytes(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

Terminal::Terminal(const Clock& clock, ConsoleView* view)
    : clock_(clock), view_(view) {}

std::size_t Terminal::Capacity() const {
  int rows = view_ != nullptr ? view_->Rows() : kDefaultRows;
  if (rows > kMaxLines) rows = kMaxLines;
  return std::max(largest_capacity_,
                  static_cast<std::size_t>(std::max(rows, 1)));
}

void Terminal::WriteLogLine(std::string_view text) {
  LocalTime now = clock_.Now();
  std::string stamped = DateStamp(now) + " " + TimeStamp(now) + " ";
  stamped.append(text);

  largest_capacity_ = Capacity();
  while (lines_.size() >= largest_capacity_) lines_.pop_front();
  lines_.push_back(std::move(stamped));

  if (view_ != nullptr) view_->Show(lines_, lines_.back());
  if (!log_path_.empty()) {
    AppendLogLine(log_path_, EscapeControlBytes(lines_.back()));
  }
}

}  // namespace tallyhall
