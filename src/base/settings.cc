// Tallyhall.ini: our INI reader and writer, the default text written on
// first start, and the conversions of the seven values read at start-up.
#include "base/settings.h"

#include <cerrno>
#include <vector>

#include "base/file_io.h"
#include "base/numbers.h"

namespace tallyhall {

const std::string_view kDefaultSettingsText =
    "[Misc]\r\n"
    "// If 0, a zone op that's not a biller MessageOp can send arena message "
    "to all zones connected to this biller\r\n"
    "// If 1, a zone op must also be a biller MessageOp to send arena message "
    "to all zones connected to this biller\r\n"
    "ZonecastLock=1\r\n"
    "LogTerminal=0\r\n"
    "// This greeting will be given to player after 30 seconds of loging in. "
    "[Default] is the default message\r\n"
    "Greeting=[Default]\r\n"
    "// Periodically all connected zones' databases will be saved to disk. "
    "Shortest time is 30 seconds.\r\n"
    "AutoSave=01:00:00\r\n"
    "\r\n"
    "[Login]\r\n"
    "// The port that Zone Servers may connect to (this should be in their "
    "server.ini under [Billing] section)\r\n"
    "Port=4000\r\n"
    "// Can new Zones connect without being added to [RegisteredZones] section "
    "by a biller operator?\r\n"
    "AllowNewZones=1\r\n"
    "AllowNewUsers=1\r\n"
    "AskNewUsers=1\r\n"
    "\r\n"
    "[Passwords]\r\n"
    "// Unregistered zones will need to have this password in their "
    "server.ini under [Billing] section\r\n"
    "BillingPassword=ledgerkite\r\n"
    "MessageOpPassword=heraldicfern\r\n"
    "AccountOpPassword=treasuryquail\r\n"
    "SysOpPassword=wardenfox\r\n"
    "\r\n"
    "[RegisteredZones]\r\n"
    "// If AllowNewZones=0, only zones listed under this section are allowed "
    "to connect to this billing server\r\n"
    "// Format: ServerName(from server.ini)=new biller password(should match "
    "one in server.ini under [Billing] section)\r\n";

namespace {

constexpr std::size_t kMaxReadLength = 254;
constexpr std::size_t kMaxWriteLength = 255;
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The file's lines, each with its own line end (LF or CR LF; the last line
// may have none), so that unchanged lines are written back byte for byte.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    end = end == std::string_view::npos ? text.size() : end + 1;
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return lines;
}

// A line without its line end.
std::string_view Body(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The name of a section line: its first non-blank is "[" and a "]" follows.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view body = TrimBlanks(Body(line));
  if (body.empty() || body.front() != '[') return std::nullopt;
  std::size_t close = body.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(body.substr(1, close - 1));
}

// The key of a key line: any other line that holds "=". Lines that begin
// with "//" are no exception.
std::optional<std::string_view> KeyName(std::string_view line) {
  std::string_view body = Body(line);
  std::size_t equals = body.find('=');
  if (equals == std::string_view::npos || SectionName(line))
    return std::nullopt;
  return TrimBlanks(body.substr(0, equals));
}

std::string_view ValueOf(std::string_view line) {
  std::string_view body = Body(line);
  return TrimBlanks(body.substr(body.find('=') + 1));
}

// Lines [header, end) of the first section of that name: its header line and
// every line up to the next section line.
struct SectionSpan {
  std::size_t header = 0;
  std::size_t end = 0;
};

std::optional<SectionSpan> FindSection(const std::vector<std::string>& lines,
                                       std::string_view section) {
  section = TrimBlanks(section);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines,
                                   SectionSpan span, std::string_view key) {
  key = TrimBlanks(key);
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    std::optional<std::string_view> name = KeyName(lines[i]);
    if (name && SameName(*name, key)) return i;
  }
  return std::nullopt;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) !=
         std::string_view::npos;
}

// Why a write would change the file's structure; empty when it would not.
}  // namespace

std::string SettingRefusalReason(std::string_view section, std::string_view key,
                                 std::string_view value) {
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) ||
      HasLineBreakOrNul(value)) {
    return "CR, LF or NUL in section, key or value";
  }
  if (key.find('=') != std::string_view::npos) return "\"=\" in key";
  if (TrimBlanks(key).starts_with('[')) return "key starts with \"[\"";
  if (section.find(']') != std::string_view::npos) return "\"]\" in section";
  return "";
}

namespace {

// Gives a last line without a line end its CR LF, so a line can follow it.
void EndLastLine(std::vector<std::string>& lines) {
  if (!lines.empty() && lines.back().back() != '\n') lines.back() += kLineEnd;
}

// Where a new key goes: after the section's last line that is not blank.
std::size_t InsertPosition(const std::vector<std::string>& lines,
                           SectionSpan span) {
  std::size_t position = span.end;
  while (position > span.header + 1 &&
         TrimBlanks(Body(lines[position - 1])).empty()) {
    --position;
  }
  return position;
}

// Writes key=value into `lines` as WriteSetting describes.
void PutKeyLine(std::vector<std::string>& lines, std::string_view section,
                std::string_view key, std::string_view value) {
  std::optional<SectionSpan> span = FindSection(lines, section);
  if (!span) {
    EndLastLine(lines);
    lines.push_back("[" + std::string(TrimBlanks(section)) + "]" +
                    std::string(kLineEnd));
    lines.push_back(std::string(TrimBlanks(key)) + "=" + std::string(value) +
                    std::string(kLineEnd));
    return;
  }
  if (std::optional<std::size_t> found = FindKey(lines, *span, key)) {
    // The key keeps its text as written in the file.
    std::string& line = lines[*found];
    line = line.substr(0, line.find('=') + 1) + std::string(value) +
           std::string(kLineEnd);
    return;
  }
  std::size_t position = InsertPosition(lines, *span);
  if (position == lines.size()) EndLastLine(lines);
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(position),
               std::string(TrimBlanks(key)) + "=" + std::string(value) +
                   std::string(kLineEnd));
}

// One or two digits taken from the front of `text`; -1 when there are none
// or more than two.
int TakeTimeField(std::string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && digits < 3 && text[digits] >= '0' &&
         text[digits] <= '9') {
    ++digits;
  }
  if (digits == 0 || digits > 2) return -1;
  int value = 0;
  for (char c : text.substr(0, digits)) value = value * 10 + (c - '0');
  text.remove_prefix(digits);
  return value;
}

// The value of `key` in `section` of the INI text, at most 254 characters;
// nullopt when the section or key is missing.
std::optional<std::string> FindSettingInText(std::string_view text,
                                             std::string_view section,
                                             std::string_view key) {
  std::vector<std::string> lines = SplitLines(text);
  std::optional<SectionSpan> span = FindSection(lines, section);
  if (!span) return std::nullopt;
  std::optional<std::size_t> found = FindKey(lines, *span, key);
  if (!found) return std::nullopt;
  return std::string(ValueOf(lines[*found]).substr(0, kMaxReadLength));
}

}  // namespace

std::string DefaultSetting(std::string_view section, std::string_view key) {
  return FindSettingInText(kDefaultSettingsText, section, key).value_or("");
}

std::string SettingsFile::ReadSetting(std::string_view section,
                                      std::string_view key) const {
  return FindSetting(section, key).value_or("");
}

std::optional<std::string> SettingsFile::FindSetting(
    std::string_view section, std::string_view key) const {
  std::string text;
  if (!ReadWholeFile(path_, text).ok()) return std::nullopt;
  return FindSettingInText(text, section, key);
}

Status SettingsFile::WriteSetting(std::string_view section,
                                  std::string_view key,
                                  std::string_view value) {
  std::string reason = SettingRefusalReason(section, key, value);
  if (!reason.empty()) {
    return Status::Error(path_ + ": setting refused: " + reason);
  }
  std::string text;
  Status status = ReadWholeFile(path_, text);
  if (!status.ok()) return status;
  std::vector<std::string> lines = SplitLines(text);
  PutKeyLine(lines, section, key, value.substr(0, kMaxWriteLength));
  std::string joined;
  for (const std::string& line : lines) joined += line;
  return WriteFileAtomically(path_, joined, hooks_, kPrivateFileMode);
}

Status SettingsFile::EnsureExists() {
  const int error = OpenForReadingError(path_);
  if (error == 0) {
    // A folder opens for reading too, and would read as a file without a
    // single key.
    if (IsRegularFile(path_)) return Status::Ok();
    return Status::Error(path_ + ": not a regular file");
  }
  if (error != ENOENT) return FileError(path_, error);
  return WriteFileAtomically(path_, kDefaultSettingsText, hooks_,
                             kPrivateFileMode);
}

bool FlagFromText(std::string_view text) { return LeadingNumber(text) != 0; }

std::optional<std::uint16_t> PortFromText(std::string_view text) {
  double port = RoundHalfEven(LeadingNumber(text));
  // Written so that NaN fails too.
  if (!(port >= -32768 && port <= 65535)) return std::nullopt;
  return static_cast<std::uint16_t>(port < 0 ? port + 65536 : port);
}

std::optional<int> TimeFromText(std::string_view text) {
  text = TrimBlanks(text);
  int fields[3] = {0, 0, 0};
  int count = 0;
  for (; count < 3 && !text.empty(); ++count) {
    if (count > 0) {
      if (text.front() != ':') return std::nullopt;
      text.remove_prefix(1);
    }
    fields[count] = TakeTimeField(text);
    if (fields[count] < 0) return std::nullopt;
  }
  if (!text.empty() || count < 2) return std::nullopt;
  if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59) return std::nullopt;
  return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

}  // namespace tallyhall
