// The start-up readings of settings and what makes each one unclean.
#include "base/settings_reader.h"

#include "base/clock.h"
#include "base/numbers.h"

namespace tallyhall {

namespace {

std::string FlagText(bool on) { return on ? "1 (on)" : "0 (off)"; }

}  // namespace

void SettingsReader::Warn(std::string_view section, std::string_view key,
                          std::optional<std::string_view> text,
                          std::string_view problem,
                          std::string_view value_used) {
  std::string line = "Warning: " + std::string(key);
  if (text) {
    line += " \"" + std::string(*text) + "\" in [" + std::string(section) +
            "] " + std::string(problem);
  } else {
    line += " is missing from [" + std::string(section) + "]";
  }
  warnings_.push_back(line + "; using " + std::string(value_used));
}

bool SettingsReader::Flag(std::string_view section, std::string_view key) {
  const std::optional<std::string> text = Find(section, key);
  const bool on = FlagFromText(text.value_or(""));
  if (!text) {
    Warn(section, key, std::nullopt, "", FlagText(on));
  } else if (!IsNumeric(*text)) {
    Warn(section, key, *text, "is not a plain number", FlagText(on));
  }
  return on;
}

std::string SettingsReader::Text(std::string_view section, std::string_view key,
                                 std::string_view missing_means) {
  std::optional<std::string> text = Find(section, key);
  if (!text) Warn(section, key, std::nullopt, "", missing_means);
  return text.value_or("");
}

int SettingsReader::Time(std::string_view section, std::string_view key,
                         int current) {
  const std::optional<std::string> text = Find(section, key);
  const std::optional<int> time = TimeFromText(text.value_or(""));
  const int used = time.value_or(current);
  if (!text) {
    Warn(section, key, std::nullopt, "", TimeOfDayText(used));
  } else if (!time) {
    Warn(section, key, *text, "is not a time hh:mm:ss", TimeOfDayText(used));
  }
  return used;
}

std::uint16_t SettingsReader::Port(std::string_view section,
                                   std::string_view key,
                                   std::uint16_t current) {
  const std::optional<std::string> text = Find(section, key);
  const std::optional<std::uint16_t> port = PortFromText(text.value_or(""));
  const std::uint16_t used = port.value_or(current);
  const std::string used_text = std::to_string(used);
  const double number = LeadingNumber(text.value_or(""));
  if (!text) {
    Warn(section, key, std::nullopt, "", used_text);
  } else if (!IsNumeric(*text)) {
    Warn(section, key, *text, "is not a plain number", used_text);
  } else if (!port) {
    Warn(section, key, *text, "is out of range (1 to 65535)", used_text);
  } else if (RoundHalfEven(number) != number) {
    Warn(section, key, *text, "is not a whole number", used_text);
  } else if (number < 0) {
    Warn(section, key, *text, "is negative, which reads as its 16 bits",
         used_text);
  }
  return used;
}

Status EnsureSettingsAndLoad(SettingsFile& file, Settings& settings,
                             std::vector<std::string>* warnings) {
  Status ready = file.EnsureExists();
  if (!ready.ok()) return ready;
  SettingsReader read(file);
  settings.log_terminal = read.Flag("Misc", "LogTerminal");
  settings.greeting = read.Text("Misc", "Greeting", "no greeting");
  settings.auto_save = read.Time("Misc", "AutoSave", settings.auto_save);
  settings.port = read.Port("Login", "Port", settings.port);
  settings.allow_new_zones = read.Flag("Login", "AllowNewZones");
  settings.allow_new_users = read.Flag("Login", "AllowNewUsers");
  settings.ask_new_users = read.Flag("Login", "AskNewUsers");
  settings.metrics_address = read.Find("Misc", "MetricsAddress").value_or("");
  if (warnings != nullptr) *warnings = read.TakeWarnings();
  return Status::Ok();
}

}  // namespace tallyhall
