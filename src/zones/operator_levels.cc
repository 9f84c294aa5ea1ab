// Holds() and the level lists of replies.
#include "zones/operator_levels.h"

namespace tallyhall {

bool Holds(const ZonePlayer& player, Level level) {
  if (level == Level::kNone) return true;
  for (const LevelInfo& info : kLevels) {
    if (info.level == level) return player.*info.flag != 0;
  }
  return false;
}

bool HoldsAnyLevel(const ZonePlayer& player) {
  for (const LevelInfo& info : kLevels) {
    if (player.*info.flag != 0) return true;
  }
  return false;
}

void AppendLevelName(std::string& list, std::string_view name) {
  if (!list.empty()) list += '/';
  list += name;
}

std::string LevelList(const ZonePlayer& player) {
  std::string list;
  for (const LevelInfo& info : kLevels) {
    if (player.*info.flag != 0) AppendLevelName(list, info.name);
  }
  return list;
}

}  // namespace tallyhall
