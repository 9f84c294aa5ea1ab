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

bool SameSecond(const LocalTime& a, const LocalTime& b) {
  return a.SecondsOfDay() == b.SecondsOfDay() && a.day == b.day &&
         a.month == b.month && a.year == b.year;
}

}  // namespace

std::string EscapeControlBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(text, out);
  return out;
}

void AppendEscaped(std::string_view text, std::string& out) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  auto is_control = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || (byte >= 0x7F && byte <= 0x9F);
  };
  // Runs of ordinary bytes are copied whole.
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!is_control(text[i])) continue;
    const auto byte = static_cast<unsigned char>(text[i]);
    out.append(text, start, i - start);
    const char escape[] = {'\\', 'x', kHexDigits[byte >> 4],
                           kHexDigits[byte & 0x0F]};
    out.append(escape, sizeof escape);
    start = i + 1;
  }
  out.append(text, start);
}

LogPriority PriorityOf(std::string_view text) {
  return text.starts_with("Warning:") ? LogPriority::kWarning
                                      : LogPriority::kInfo;
}

std::string UnshownLinesText(std::uint64_t count) {
  return std::to_string(count) +
         " lines were not shown: standard output was not being read";
}

Terminal::Terminal(const Clock& clock, ConsoleView* view)
    : clock_(clock), view_(view) {}

Terminal::~Terminal() {
  if (view_ != nullptr) view_->Close(lines_);
}

std::size_t Terminal::Capacity() const {
  int rows = view_ != nullptr ? view_->Rows() : kDefaultRows;
  if (rows > kMaxLines) rows = kMaxLines;
  return std::max(largest_capacity_,
                  static_cast<std::size_t>(std::max(rows, 1)));
}

void Terminal::WriteLogLine(std::string_view text) {
  WriteLogLine(text, PriorityOf(text));
}

void Terminal::WriteLogLine(std::string_view text, LogPriority priority) {
  if (held_ != nullptr) {
    held_->push_back({.text = std::string(text), .priority = priority});
    return;
  }
  const LocalTime now = clock_.Now();
  if (stamp_.empty() || !SameSecond(now, stamp_time_)) {
    stamp_ = DateStamp(now) + " " + TimeStamp(now) + " ";
    stamp_time_ = now;
  }

  largest_capacity_ = Capacity();
  // The line leaving the list lends its storage to the new one.
  std::string stamped;
  while (lines_.size() >= largest_capacity_) {
    stamped = std::move(lines_.front());
    lines_.pop_front();
  }
  stamped.assign(stamp_);
  stamped.append(text);
  lines_.push_back(std::move(stamped));

  if (view_ != nullptr) view_->Show(lines_, lines_.back(), priority);
  if (!log_path_.empty()) {
    AppendLogLine(log_path_, EscapeControlBytes(lines_.back()));
  }
}

std::int64_t Terminal::Flush() {
  if (view_ == nullptr) return -1;
  const std::int64_t now_ms = clock_.SteadyMilliseconds();
  std::int64_t wait = view_->Flush(lines_, now_ms);
  // The gap is reported where the lines would have been, once output runs.
  if (const std::uint64_t unshown = view_->TakeUnshownCount(); unshown > 0) {
    WriteLogLine(UnshownLinesText(unshown), LogPriority::kWarning);
    wait = view_->Flush(lines_, now_ms);
  }
  return wait;
}

}  // namespace tallyhall
