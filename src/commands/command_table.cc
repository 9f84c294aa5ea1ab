// The command table, one group per family under the name of the file that
// holds its handlers. The first matching entry wins, so a word that begins
// with another word comes before it: ?squadowner before ?squadown,
// ?listoppassword before ?listop, ?infodump and ?infopage before ?info,
// ?aliasx2 and ?aliaspage before ?alias. No word of one group begins with a
// word of another, so the order of the groups does not change matching.
#include "commands/command_table.h"

#include <algorithm>
#include <array>

#include "commands/chat_commands.h"
#include "commands/operator_login_commands.h"
#include "commands/player_lookup_commands.h"
#include "commands/score_commands.h"
#include "commands/score_record_commands.h"
#include "commands/server_info_commands.h"
#include "commands/settings_commands.h"
#include "commands/squad_commands.h"
#include "commands/top_list.h"
#include "commands/zone_commands.h"

namespace tallyhall {
namespace {

using enum Match;
using enum Level;

constexpr std::array<CommandEntry, kCommandWords> kCommands{{
    // Squads: commands/squad_commands.cc
    {.text = "?squadcreate", .match = kPrefix, .handler = &HandleSquadCreate},
    {.text = "?squadjoin", .match = kPrefix, .handler = &HandleSquadJoin},
    {.text = "?squadleave", .match = kExact, .handler = &HandleSquadLeave},
    {.text = "?squaddissolve",
     .match = kPrefix,
     .handler = &HandleSquadDissolve},
    {.text = "?squadgrant", .match = kPrefix, .handler = &HandleSquadGrant},
    {.text = "?squadpassword",
     .match = kPrefix,
     .handler = &HandleSquadPassword},
    {.text = "?squadkick", .match = kPrefix, .handler = &HandleSquadKick},
    {.text = "?squadmembers", .match = kPrefix, .handler = &HandleSquadMembers},
    {.text = "?squadid", .match = kExact, .handler = &HandleSquadId},
    {.text = "?squaddatabase",
     .match = kPrefix,
     .handler = &HandleSquadDatabase},
    {.text = "?squadowner",
     .match = kPrefix,
     .handler = &HandleSquadOwner,
     .level = kAccountOp},
    {.text = "?squadown", .match = kPrefix, .handler = &HandleSquadOwn},
    {.text = "?squadname", .match = kPrefix, .handler = &HandleSquadName},

    // Scores: commands/score_commands.cc
    {.text = "?scoreid", .match = kExact, .handler = &HandleScoreId},
    {.text = "?scoreown", .match = kPrefix, .handler = &HandleScoreOwn},
    {.text = "?scoreswap", .match = kPrefix, .handler = &HandleScoreSwap},
    {.text = "?scoreall", .match = kPrefix, .handler = &HandleScoreAll},
    {.text = "?scorefind", .match = kPrefix, .handler = &HandleScoreFind},

    // Score record changes: commands/score_record_commands.cc
    {.text = "?scoreadd",
     .match = kPrefix,
     .handler = &HandleScoreAdd,
     .level = kAccountOp},
    {.text = "?scoreedit",
     .match = kPrefix,
     .handler = &HandleScoreEdit,
     .level = kAccountOp},
    {.text = "?scoredelete", .match = kPrefix, .handler = &HandleScoreDelete},

    // Top lists: commands/top_list.cc
    {.text = "?top", .match = kPrefix, .handler = &HandleTop},

    // Chat channels: commands/chat_commands.cc
    {.text = "?chat", .match = kPrefix, .handler = &HandleChat},

    // Finding players, stored records: commands/player_lookup_commands.cc
    {.text = "?find", .match = kPrefix, .handler = &HandleFind},
    {.text = "?username",
     .match = kPrefix,
     .handler = &HandleUsername,
     .level = kAccountOp},
    {.text = "?infodump",
     .match = kPrefix,
     .handler = &HandleInfoDump,
     .level = kSysOp},
    {.text = "?infopage",
     .match = kPrefix,
     .handler = &HandleInfoPage,
     .level = kSysOp},
    {.text = "?info",
     .match = kPrefix,
     .handler = &HandleInfo,
     .level = kSysOp},
    {.text = "?aliasx2",
     .match = kPrefix,
     .handler = &HandleAliasX2,
     .level = kSysOp},
    {.text = "?aliaspage",
     .match = kPrefix,
     .handler = &HandleAliasPage,
     .level = kSysOp},
    {.text = "?alias",
     .match = kPrefix,
     .handler = &HandleAlias,
     .level = kSysOp},

    // Operator login and list: commands/operator_login_commands.cc
    {.text = "?listoppassword",
     .match = kExact,
     .handler = &HandleListOpPassword,
     .level = kSysOp},
    {.text = "?listop", .match = kPrefix, .handler = &HandleListOp},
    {.text = "?login", .match = kPrefix, .handler = &HandleLogin},
    {.text = "?logoff", .match = kPrefix, .handler = &HandleLogoff},

    // Zones: commands/zone_commands.cc
    {.text = "?zonelist", .match = kPrefix, .handler = &HandleZoneList},
    {.text = "?zoneplayers", .match = kPrefix, .handler = &HandleZonePlayers},
    {.text = "?zonerecycle",
     .match = kPrefix,
     .handler = &HandleZoneRecycle,
     .level = kSysOp},
    {.text = "?zonereset",
     .match = kPrefix,
     .handler = &HandleZoneReset,
     .level = kSysOp},
    {.text = "?zoneclose",
     .match = kPrefix,
     .handler = &HandleZoneClose,
     .level = kSysOp},

    // Settings and saves: commands/settings_commands.cc
    {.text = "?bset",
     .match = kPrefix,
     .handler = &HandleBset,
     .level = kSysOp},
    {.text = "?bget",
     .match = kPrefix,
     .handler = &HandleBget,
     .level = kSysOp},
    {.text = "?save", .match = kExact, .handler = &HandleSave, .level = kSysOp},
    {.text = "?autosave", .match = kPrefix, .handler = &HandleAutoSave},
    {.text = "?greeting",
     .match = kPrefix,
     .handler = &HandleGreeting,
     .level = kSysOp},

    // About the server: commands/server_info_commands.cc
    {.text = "?version", .match = kExact, .handler = &HandleVersion},
    {.text = "?about", .match = kExact, .handler = &HandleAbout},
    {.text = "?misc", .match = kExact, .handler = &HandleMisc},
    {.text = "?bhelp", .match = kExact, .handler = &HandleBhelp},
}};

static_assert(std::ranges::all_of(kCommands, [](const CommandEntry& entry) {
  return entry.text.size() >= 2 && entry.text[0] == '?';
}));

bool Matches(const CommandEntry& entry, std::string_view text) {
  // Every word is "?" and at least one letter; most entries differ from the
  // text in that letter, which is cheaper to compare than the whole word.
  if (text.size() < entry.text.size() || text[1] != entry.text[1]) {
    return false;
  }
  return entry.match == kExact ? text == entry.text
                               : text.starts_with(entry.text);
}

}  // namespace

std::span<const CommandEntry> CommandTable() { return kCommands; }

const CommandEntry* FindCommand(std::string_view text) {
  for (const CommandEntry& entry : kCommands) {
    if (Matches(entry, text)) return &entry;
  }
  return nullptr;
}

}  // namespace tallyhall
