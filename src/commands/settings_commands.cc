// Settings commands. ?bset changes only the file, ?autosave and ?greeting
// only the values held in memory, so the next start reads the file again.
#include "commands/settings_commands.h"

#include <cstdint>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/failure.h"
#include "base/settings.h"
#include "commands/command_context.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "zones/zone_login.h"

namespace tallyhall {
namespace {

// The greeting setting that stands for the built-in greeting.
constexpr std::string_view kDefaultGreeting = "[Default]";

// Replies section + ":" + key + ":" + the value the file now holds.
void ReplySetting(CommandContext& ctx, std::string_view section,
                  std::string_view key) {
  ctx.Reply(std::string(section) + ":" + std::string(key) + ":" +
            ctx.core.settings_file().ReadSetting(section, key));
}

// Writes the key, or fails leaving the file as it was: names or a value that
// would change the file's structure are a bad argument, a write that does
// not reach the disk a file access error.
void WriteSettingStep(SettingsFile& file, std::string_view section,
                      std::string_view key, std::string_view value) {
  if (!SettingRefusalReason(section, key, value).empty()) {
    Fail(FailureKind::kInvalidCall);
  }
  if (!file.WriteSetting(section, key, value).ok()) {
    Fail(FailureKind::kFileAccess);
  }
}

// True for exactly two digits, ":", two digits, ":", two digits.
bool HasTimeShape(std::string_view text) {
  constexpr std::string_view kShape = "00:00:00";
  if (text.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == ':' ? text[i] != ':' : !digit) return false;
  }
  return true;
}

}  // namespace

// ?bset (section):(key):(value)
void HandleBset(CommandContext& ctx, std::string_view args) {
  args = WithoutLeadingBlanks(args);
  const std::size_t first = args.find(':');
  const std::size_t second = first == std::string_view::npos
                                 ? std::string_view::npos
                                 : args.find(':', first + 1);
  if (second == std::string_view::npos) {
    ctx.Reply("Format: ?bset (section):(key):(value)");
    return;
  }
  // The value is all the rest, ":" included; nothing is trimmed.
  const std::string_view section = args.substr(0, first);
  const std::string_view key = args.substr(first + 1, second - first - 1);
  RunStep(ctx.core.terminal(), [&] {
    WriteSettingStep(ctx.core.settings_file(), section, key,
                     args.substr(second + 1));
  });
  ReplySetting(ctx, section, key);
}

// ?bget (section):(key)
void HandleBget(CommandContext& ctx, std::string_view args) {
  args = WithoutLeadingBlanks(args);
  const std::size_t colon = args.find(':');
  if (colon == std::string_view::npos) {
    ctx.Reply("Format: ?bget (section):(key)");
    return;
  }
  ReplySetting(ctx, args.substr(0, colon), args.substr(colon + 1));
}

// ?save
void HandleSave(CommandContext& ctx, std::string_view) {
  const bool pending_written = ctx.core.WritePendingDatabases();
  const std::int32_t count = ctx.core.zones().ZoneCount();
  std::int32_t failed = 0;
  for (std::int32_t zone_id = 1; zone_id <= count; ++zone_id) {
    if (!SaveZoneDatabases(ctx.core, zone_id)) ++failed;
  }
  // The terminal says which saves failed; the caller must not be told that
  // everything reached the disk when some of it did not.
  if (failed == 0 && pending_written) {
    ctx.Reply("Databases are saved to disk");
  }
  if (failed != 0) {
    ctx.Reply("Databases of " + DecimalText(failed) + " of " +
              DecimalText(count) + " zones could not be saved to disk");
  }
  if (!pending_written) {
    std::string names;
    for (const std::string& name : ctx.core.pending().FileNames()) {
      names += (names.empty() ? "" : ", ") + name;
    }
    ctx.Reply("Databases of zones that left could not be saved to disk: " +
              names);
  }
}

// ?autosave (hh:mm:ss)
void HandleAutoSave(CommandContext& ctx, std::string_view args) {
  args = WithoutLeadingBlanks(args);
  int& period = ctx.core.settings().auto_save;
  if (!HasTimeShape(args) || !ctx.Holds(Level::kSysOp)) {
    ctx.Reply("Format: ?autosave (hh:mm:ss)  Current value: " +
              TimeOfDayText(period));
    return;
  }
  // "24:00:00" has the shape of a time but is none: the period stays.
  RunStep(ctx.core.terminal(), [&] {
    const std::optional<int> time = TimeFromText(args);
    if (!time) Fail(FailureKind::kTypeMismatch);
    period = *time;
  });
  ctx.Reply("AutoSave is set to " + TimeOfDayText(period));
}

// ?greeting (default/custom/off)
void HandleGreeting(CommandContext& ctx, std::string_view args) {
  args = WithoutLeadingBlanks(args);
  std::string& greeting = ctx.core.settings().greeting;
  if (args == "default") {
    greeting = kDefaultGreeting;
    ctx.Reply("Greeting is set to default");
  } else if (args == "off") {
    greeting.clear();
    ctx.Reply("Greeting is disabled");
  } else if (!args.empty()) {
    greeting = args;
    ctx.Reply("Greeting is set to custom");
  } else {
    ctx.Reply("Format: ?greeting (custom/default/off)  Current: " +
              (greeting.empty() ? std::string("Off") : greeting));
  }
}

}  // namespace tallyhall
