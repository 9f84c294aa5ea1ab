// The command table. The first matching entry wins, so a word that begins
// with another word comes before it: ?squadowner before ?squadown,
// ?listoppassword before ?listop, ?infodump and ?infopage before ?info,
// ?aliasx2 and ?aliaspage before ?alias.
#include "commands/command_table.h"

#include <array>

#include "commands/info_commands.h"
#include "commands/operator_commands.h"
#include "commands/record_admin.h"
#include "commands/score_commands.h"
#include "commands/top_list.h"
#include "players/chat.h"

namespace tallyhall {
namespace {

// Command families that are not built yet take their words and do nothing.
void NotYetBuilt(CommandContext&, std::string_view) {}

using enum Match;
using enum Level;

constexpr std::array<CommandEntry, 49> kCommands{{
    {.text = "?squadcreate", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadjoin", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadleave", .match = kExact, .handler = &NotYetBuilt},
    {.text = "?squaddissolve", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadgrant", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadpassword", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadkick", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadmembers", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadid", .match = kExact, .handler = &NotYetBuilt},
    {.text = "?scoreid", .match = kExact, .handler = &NotYetBuilt},
    {.text = "?squaddatabase", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadowner", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadown", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?squadname", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?chat", .match = kPrefix, .handler = &HandleChat},
    {.text = "?find", .match = kPrefix, .handler = &HandleFind},
    {.text = "?top", .match = kPrefix, .handler = &HandleTop},
    {.text = "?scoreown", .match = kPrefix, .handler = &HandleScoreOwn},
    {.text = "?scoreswap", .match = kPrefix, .handler = &HandleScoreSwap},
    {.text = "?scoreadd",
     .match = kPrefix,
     .handler = &HandleScoreAdd,
     .level = kAccountOp},
    {.text = "?scoreedit",
     .match = kPrefix,
     .handler = &HandleScoreEdit,
     .level = kAccountOp},
    {.text = "?scoredelete", .match = kPrefix, .handler = &HandleScoreDelete},
    {.text = "?scoreall", .match = kPrefix, .handler = &HandleScoreAll},
    {.text = "?scorefind", .match = kPrefix, .handler = &HandleScoreFind},
    {.text = "?version", .match = kExact, .handler = &HandleVersion},
    {.text = "?about", .match = kExact, .handler = &HandleAbout},
    {.text = "?misc", .match = kExact, .handler = &HandleMisc},
    {.text = "?bhelp", .match = kExact, .handler = &HandleBhelp},
    {.text = "?listoppassword",
     .match = kExact,
     .handler = &HandleListOpPassword,
     .level = kSysOp},
    {.text = "?listop", .match = kPrefix, .handler = &HandleListOp},
    {.text = "?login", .match = kPrefix, .handler = &HandleLogin},
    {.text = "?logoff", .match = kPrefix, .handler = &HandleLogoff},
    {.text = "?bset", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?bget", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?zonelist", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?zoneplayers", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?zonerecycle", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?zonereset", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?zoneclose", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?save", .match = kExact, .handler = &NotYetBuilt},
    {.text = "?autosave", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?greeting", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?username", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?infodump", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?infopage", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?info", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?aliasx2", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?aliaspage", .match = kPrefix, .handler = &NotYetBuilt},
    {.text = "?alias", .match = kPrefix, .handler = &NotYetBuilt},
}};

bool Matches(const CommandEntry& entry, std::string_view text) {
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
