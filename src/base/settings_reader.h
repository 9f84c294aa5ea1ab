// Reading the settings that the server takes in at start-up, with one
// warning line for each whose text does not read cleanly, so that an
// operator learns at start what a typo turned into.
#ifndef TALLYHALL_BASE_SETTINGS_READER_H_
#define TALLYHALL_BASE_SETTINGS_READER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"
#include "base/status.h"

namespace tallyhall {

// Reads keys of one settings file and collects warnings. Each reading
// function returns the value to use, which is exactly what the conversions
// of settings.h give; the warnings never change a value. A warning names the
// key, the text found and the value used:
//   Warning: Port "32150x" in [Login] is not a plain number; using 32150
//   Warning: AllowNewUsers is missing from [Login]; using 0 (off)
// The file must outlive the reader.
class SettingsReader {
 public:
  explicit SettingsReader(const SettingsFile& file) : file_(file) {}

  // The key's text; nullopt (and no warning) when the key is missing. For
  // settings that may be left out, such as those not in the first-start
  // text.
  std::optional<std::string> Find(std::string_view section,
                                  std::string_view key) const {
    return file_.FindSetting(section, key);
  }

  // A flag: on when the text starts with a number other than 0. Warns when
  // the key is missing or the text is not a plain number (empty, "yes",
  // "1abc").
  bool Flag(std::string_view section, std::string_view key);
  // A text used as written; an empty value is a valid value. Warns when the
  // key is missing, saying what that means (`missing_means`).
  std::string Text(std::string_view section, std::string_view key,
                   std::string_view missing_means);
  // A time hh:mm:ss as seconds since midnight; `current` when the text is not
  // a time. Warns when the key is missing or the text is not a time.
  int Time(std::string_view section, std::string_view key, int current);
  // A UDP port; `current` when the number is out of range. Warns when the
  // key is missing, the text is not a plain whole number, the number is
  // negative (read as its 16 bits, as always) or out of range.
  std::uint16_t Port(std::string_view section, std::string_view key,
                     std::uint16_t current);

  // Adds a warning: "Warning: " + key + ` "text" in [section] ` + problem +
  // "; using " + value_used, or for a missing key (no text)
  // "Warning: " + key + " is missing from [section]; using " + value_used.
  void Warn(std::string_view section, std::string_view key,
            std::optional<std::string_view> text, std::string_view problem,
            std::string_view value_used);

  // The warnings so far, oldest first; the reader forgets them.
  std::vector<std::string> TakeWarnings() { return std::move(warnings_); }

 private:
  const SettingsFile& file_;
  std::vector<std::string> warnings_;
};

// Creates the file when missing, then reads LogTerminal, Greeting, AutoSave,
// MetricsAddress (section Misc) and Port, AllowNewZones, AllowNewUsers,
// AskNewUsers (section Login) into `settings`. A value that does not convert
// leaves its field unchanged. When `warnings` is given, one line is appended to
// it for each of these keys whose text does not read cleanly (see
// SettingsReader). When the file cannot be created or opened, returns the error
// of EnsureExists and reads nothing.
Status EnsureSettingsAndLoad(SettingsFile& file, Settings& settings,
                             std::vector<std::string>* warnings = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_SETTINGS_READER_H_
