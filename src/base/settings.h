// Tallyhall.ini: the INI-style settings file beside the program, its
// default text, and the seven values read once at start-up.
#ifndef TALLYHALL_BASE_SETTINGS_H_
#define TALLYHALL_BASE_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/status.h"

namespace tallyhall {

// The 28-line default text, each line followed by CR LF.
extern const std::string_view kDefaultSettingsText;

// The value the default text gives `key` in `section`; empty when it gives
// none.
std::string DefaultSetting(std::string_view section, std::string_view key);

// Why section, key and value cannot make one key line, or empty when they
// can: CR, LF or NUL in any of them, "=" in the key or a key that starts
// with "[", "]" in the section.
std::string SettingRefusalReason(std::string_view section, std::string_view key,
                                 std::string_view value);

// Reads and writes keys of one INI file. Section and key names match without
// regard to ASCII case; the first matching section and key win; blanks
// around names and values are not part of them. Every call reads the file
// anew, so edits by hand take effect at once.
class SettingsFile {
 public:
  // `hooks`, when given, must outlive the object; WriteSetting replaces the
  // file with them.
  explicit SettingsFile(std::string path,
                        const AtomicWriteHooks* hooks = nullptr)
      : path_(std::move(path)), hooks_(hooks) {}

  const std::string& path() const { return path_; }

  // The value, at most 254 characters; empty when the file, section or key
  // is missing.
  std::string ReadSetting(std::string_view section, std::string_view key) const;
  // The same, but nullopt when the file, section or key is missing, so that
  // a missing key can be told from an empty value.
  std::optional<std::string> FindSetting(std::string_view section,
                                         std::string_view key) const;

  // Writes key=value in the section. The value is cut at its first NUL and
  // to 255 characters. Replaces the first matching key line in place,
  // appends a new key at the end of its section and a new section at the end
  // of the file, and keeps every other line byte for byte. Refused (error
  // status, file untouched) when SettingRefusalReason gives a reason.
  Status WriteSetting(std::string_view section, std::string_view key,
                      std::string_view value);

  // Creates the file with the default text, atomically, when it is missing.
  // Returns the error when it cannot be created, or exists but cannot be
  // opened for reading or is no regular file (a folder, say); a half-written
  // file is never left behind.
  Status EnsureExists();

 private:
  std::string path_;
  const AtomicWriteHooks* hooks_;
};

// The settings held in memory, with their program-start values.
struct Settings {
  bool log_terminal = false;
  std::string greeting;
  int auto_save = 0;       // the save period in seconds, 0..86399
  std::uint16_t port = 0;  // 0: none that can be opened
  bool allow_new_zones = false;
  bool allow_new_users = false;
  bool ask_new_users = false;
  // Not in the default text, and never added to the file: empty (the
  // metrics endpoint off) unless the operator sets it.
  std::string metrics_address;
};

// Conversions of the values read once. Flags: on when the number at the
// start of the text is not 0. Port: that number rounded half to even, from 1
// to 65535 as written; -32768 to -1 (which older files used for the ports
// above 32767) as their 16 bits, so -30536 is 35000; nullopt beyond, 0 for
// text without a number. Time: "hh:mm:ss" as seconds since midnight; nullopt
// when the text is not a time.
bool FlagFromText(std::string_view text);
std::optional<std::uint16_t> PortFromText(std::string_view text);
std::optional<int> TimeFromText(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_SETTINGS_H_
