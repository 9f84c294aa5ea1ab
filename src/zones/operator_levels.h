// The biller operator levels, in the one vocabulary every part uses: the
// Level kinds, the table of their names, password keys, ?logoff letters and
// ZonePlayer flags, and Holds(). Levels live only in a player's ZonePlayer
// record (a flag of -1 while held, 0 when not) and are never written to
// disk; each is independent of the others.
#ifndef TALLYHALL_ZONES_OPERATOR_LEVELS_H_
#define TALLYHALL_ZONES_OPERATOR_LEVELS_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "zones/zone_table.h"

namespace tallyhall {

// kNone is what a command that needs no level asks for: everybody holds it.
enum class Level { kNone, kMessageOp, kAccountOp, kSysOp };

struct LevelInfo {
  Level level;
  std::string_view name;          // as replies name it
  std::string_view password_key;  // in section Passwords of the settings
  char logoff_letter;             // lower case; ?logoff lower-cases its text
  std::int16_t ZonePlayer::*flag;
};

// The three levels, in the order in which every reply names them.
inline constexpr std::array<LevelInfo, 3> kLevels{{
    {.level = Level::kMessageOp,
     .name = "MessageOp",
     .password_key = "MessageOpPassword",
     .logoff_letter = 'm',
     .flag = &ZonePlayer::IsMessageOp},
    {.level = Level::kAccountOp,
     .name = "AccountOp",
     .password_key = "AccountOpPassword",
     .logoff_letter = 'a',
     .flag = &ZonePlayer::IsAccountOp},
    {.level = Level::kSysOp,
     .name = "SysOp",
     .password_key = "SysOpPassword",
     .logoff_letter = 's',
     .flag = &ZonePlayer::IsSysOp},
}};

// The value of a held level's flag.
inline constexpr std::int16_t kLevelHeld = -1;

// True when the player holds `level` (its flag is not 0); always true for
// Level::kNone.
bool Holds(const ZonePlayer& player, Level level);

// True when the player holds at least one level.
bool HoldsAnyLevel(const ZonePlayer& player);

// Adds a level's name to a list of levels: "/" before it unless the list is
// empty. Lists are built in the order of kLevels.
void AppendLevelName(std::string& list, std::string_view name);

// The levels a player holds, "MessageOp/AccountOp/SysOp" in that order,
// without a trailing "/"; empty when none.
std::string LevelList(const ZonePlayer& player);

}  // namespace tallyhall

#endif  // TALLYHALL_ZONES_OPERATOR_LEVELS_H_
