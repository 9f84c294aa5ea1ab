// The public information commands: ?version, ?about, ?misc and ?bhelp. Every
// player may use them; ?bhelp shows the blocks of the levels the caller holds.
#include "commands/info_commands.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <ctime>

#include "commands/command_context.h"
#include "db/encoding.h"
#include "base/failure.h"
#include "shell/server_core.h"

namespace tallyhall {
namespace {

constexpr std::string_view kCreditLine = "Tallyhall player database server";

constexpr std::string_view kAboutText =
    "A biller is a program that connects to a game server to save/keep "
    "players' scores, names, squads, ids, and other related information.";

constexpr std::array<std::string_view, 6> kMiscText{
    "Helpfull Information",
    "To update your score to Top10 you must reenter zone. Top10 will also "
    "update when you win a flag game.",
    "Scores are received by biller only when their total is greater than 5 "
    "points.",
    "When you type ?UserId, you'll get the index of your record in User "
    "Database.",
    "When no one owns a squad, you can grant it to yourself. Public squads are "
    "squads without a password.",
    "When you dissolve your squad, all the members that were in it leave it.",
};

// Who sees a line of ?bhelp.
enum class Audience { kEveryone, kNotSysOp, kMessageOp, kAccountOp, kSysOp };

struct HelpLine {
  Audience audience;
  std::string_view text;
};

// One line per command, in the order sent. Blocks keep the order of the
// levels; a caller with several levels gets every block that applies.
constexpr std::array<HelpLine, 51> kHelpLines{{
    // clang-format off
    {Audience::kEveryone, "Player Database (Biller) Commands"},
    {Audience::kEveryone, "?version - Display biller version information.......................Public Status"},
    {Audience::kEveryone, "?about - Tells what a biller is"},
    {Audience::kEveryone, "?misc - Helpfull information"},
    // A SysOp reads the wider ?find line of his own block instead.
    {Audience::kNotSysOp, "?find (name) - Find a player on the biller network"},
    {Audience::kEveryone, "?chat (channel(s)) - Set/show chat channels separated by commas"},
    {Audience::kEveryone, "?zonelist (page) - List all servers connected to this biller"},
    {Audience::kEveryone, "?zoneplayers (ZoneID) (page) - List players of a local zone"},
    {Audience::kEveryone, "?squadjoin (name):(password) - Join an existing squad"},
    {Audience::kEveryone, "?squadcreate (name):(password) - Create a new squad"},
    {Audience::kEveryone, "?squadpassword (SquadID):(new password) - Change squad's password"},
    {Audience::kEveryone, "?squadmembers (page) (squad name) - List all members of a squad"},
    {Audience::kEveryone, "?squadgrant (UserID) - Pass squad ownership to given player"},
    {Audience::kEveryone, "?squadleave - Leave the squad you are currently in"},
    {Audience::kEveryone, "?squaddissolve (SquadID) - Dissolve your squad"},
    {Audience::kEveryone, "?squadkick (UserID) - Remove a player from your squad"},
    {Audience::kEveryone, "?squaddatabase (page) - Show the Squad Database"},
    {Audience::kEveryone, "?squadown (page) - Show squads you own"},
    {Audience::kEveryone, "?squadname (SquadID):(new name) - Change squad's name if you are owner or AccountOp"},
    {Audience::kEveryone, "?squadid - Shows your SquadID if you are in a squad"},
    {Audience::kEveryone, "?scoreall (page) - Show scores of all users"},
    {Audience::kEveryone, "?scoreown (page) - Show scores of all your names"},
    {Audience::kEveryone, "?scoreswap (other name) - Swap scores of your current name with your other name"},
    {Audience::kEveryone, "?scoredelete (UserID) - Delete a player record from User Database"},
    {Audience::kEveryone, "?scorefind (page) (name) - Get UserID of players with matching name"},
    {Audience::kEveryone, "?scoreid - Shows your ScoreID"},
    {Audience::kEveryone, "?top10 (win/loss/ratio/kill/flag/total) - Show the Top 10. ?top20 will show Top 20 and so on."},
    {Audience::kEveryone, "?listop (page) - Display logged in biller operators"},
    {Audience::kEveryone, "?login (password(s)) - Gain biller MessageOp/AccountOp/SysOp status"},
    {Audience::kEveryone, "?logoff (M/A/S) - Drop biller MessageOp/AccountOp/SysOp status"},

    {Audience::kMessageOp, "**(message) - Send an arena message to all connected zones..........MessageOp Status"},

    {Audience::kAccountOp, "?username (UserID):(new name) - Change a player's name..............AccountOp Status"},
    {Audience::kAccountOp, "?squadowner (SquadID):(new UserID) - Change a squad's owner"},
    {Audience::kAccountOp, "?scoreadd (ip):(macid):(name) - Create a new User Database record"},
    {Audience::kAccountOp, "?scoreedit (UserID) (W) (L) (R) (KP) (FP) - Edit a User Database record"},

    {Audience::kSysOp, "?find (name/macid/ip) - Search for a player using name/macid/ip"},
    {Audience::kSysOp, "?info (name) - Display stored player information"},
    {Audience::kSysOp, "?infopage (page) (name) - Display stored player information by page"},
    {Audience::kSysOp, "?infodump (page) - Display all players' info"},
    {Audience::kSysOp, "?alias (macid) - Display all other names a player has"},
    {Audience::kSysOp, "?aliaspage (page) (macid) - Display by page other names a player has"},
    {Audience::kSysOp, "?aliasx2 (page) - Display aliases of only players that have used more than 1"},
    {Audience::kSysOp, "?bget (section):(key) - Read a setting in biller's settings file....SysOp Status"},
    {Audience::kSysOp, "?bset (section):(key):(value) - Write setting in biller's settings file"},
    {Audience::kSysOp, "?zonerecycle (ZoneID) - Recycle a zone"},
    {Audience::kSysOp, "?zonereset (ZoneID) - Executes a single-zone scorereset"},
    {Audience::kSysOp, "?zoneclose (ZoneID) - Shuts down a zone"},
    {Audience::kSysOp, "?listoppassword - Shows MessageOp/AccountOp/SysOp passwords"},
    {Audience::kSysOp, "?greeting (default/custom/off) - Change greeting to players who log in"},
    {Audience::kSysOp, "?save - Save databases to disk of all zones connected to this biller"},
    {Audience::kSysOp, "?autosave (hh:mm:ss) - Change periodic save time of the databases"},
    // clang-format on
}};

bool Sees(const CommandContext& ctx, Audience audience) {
  switch (audience) {
    case Audience::kEveryone:
      return true;
    case Audience::kNotSysOp:
      return !ctx.IsSysOp();
    case Audience::kMessageOp:
      return ctx.IsMessageOp();
    case Audience::kAccountOp:
      return ctx.IsAccountOp();
    case Audience::kSysOp:
      return ctx.IsSysOp();
  }
  return false;
}

// "mm/dd/yyyy" of a file time, in local time.
std::string FileDateText(std::time_t time) {
  std::tm parts{};
  if (localtime_r(&time, &parts) == nullptr) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", parts.tm_mon + 1,
                parts.tm_mday, parts.tm_year + 1900);
  return text;
}

}  // namespace

std::string VersionText(std::string_view exe_path) {
  struct stat info {};
  if (stat(std::string(exe_path).c_str(), &info) != 0) return {};
  const std::string date = FileDateText(info.st_mtime);
  if (date.empty()) return {};
  std::string text(kProgramTitle);
  text += DecimalText(kMajorVersion);
  text += " (Vesta Biller)";
  text += " Date " + date;
  text += " Size " + DecimalText(info.st_size) + "B";
  text += "  ";
  text += kCreditLine;
  return text;
}

void ReplyVersion(CommandContext& ctx, std::string_view exe_path) {
  // The whole reply is one step: without the file there is no reply.
  RunStep(ctx.core.terminal(), [&] {
    const std::string text = VersionText(exe_path);
    if (text.empty()) Fail(FailureKind::kFileNotFound);
    ctx.Reply(text);
  });
}

// ?version
void HandleVersion(CommandContext& ctx, std::string_view) {
  ReplyVersion(ctx, kExecutablePath);
}

// ?about
void HandleAbout(CommandContext& ctx, std::string_view) {
  ctx.Reply(kAboutText);
}

// ?misc
void HandleMisc(CommandContext& ctx, std::string_view) {
  for (std::string_view line : kMiscText) ctx.Reply(line);
}

// ?bhelp
void HandleBhelp(CommandContext& ctx, std::string_view) {
  for (const HelpLine& line : kHelpLines) {
    if (Sees(ctx, line.audience)) ctx.Reply(line.text);
  }
}

}  // namespace tallyhall
