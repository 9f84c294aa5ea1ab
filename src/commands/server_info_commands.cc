// The public information commands: ?version, ?about, ?misc and ?bhelp. Every
// player may use them; ?bhelp shows the blocks of the levels the caller holds.
#include "commands/server_info_commands.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "base/failure.h"
#include "base/file_io.h"
#include "commands/command_context.h"
#include "context/server_core.h"
#include "db/encoding.h"

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

// A line of ?bhelp goes to a caller who holds its level (everybody holds
// Level::kNone), unless it is one of the public lines that a SysOp reads in
// a wider form in his own block.
struct HelpLine {
  Level level;
  std::string_view text;
  bool not_for_sysop = false;
};

// One line per command, in the order sent. Blocks keep the order of the
// levels; a caller with several levels gets every block that applies.
constexpr std::array<HelpLine, 51> kHelpLines{{
    // clang-format off
    {Level::kNone, "Player Database (Biller) Commands"},
    {Level::kNone, "?version - Display biller version information.......................Public Status"},
    {Level::kNone, "?about - Tells what a biller is"},
    {Level::kNone, "?misc - Helpfull information"},
    // A SysOp reads the wider ?find line of his own block instead.
    {Level::kNone, "?find (name) - Find a player on the biller network", /*not_for_sysop=*/true},
    {Level::kNone, "?chat (channel(s)) - Set/show chat channels separated by commas"},
    {Level::kNone, "?zonelist (page) - List all servers connected to this biller"},
    {Level::kNone, "?zoneplayers (ZoneID) (page) - List players of a local zone"},
    {Level::kNone, "?squadjoin (name):(password) - Join an existing squad"},
    {Level::kNone, "?squadcreate (name):(password) - Create a new squad"},
    {Level::kNone, "?squadpassword (SquadID):(new password) - Change squad's password"},
    {Level::kNone, "?squadmembers (page) (squad name) - List all members of a squad"},
    {Level::kNone, "?squadgrant (UserID) - Pass squad ownership to given player"},
    {Level::kNone, "?squadleave - Leave the squad you are currently in"},
    {Level::kNone, "?squaddissolve (SquadID) - Dissolve your squad"},
    {Level::kNone, "?squadkick (UserID) - Remove a player from your squad"},
    {Level::kNone, "?squaddatabase (page) - Show the Squad Database"},
    {Level::kNone, "?squadown (page) - Show squads you own"},
    {Level::kNone, "?squadname (SquadID):(new name) - Change squad's name if you are owner or AccountOp"},
    {Level::kNone, "?squadid - Shows your SquadID if you are in a squad"},
    {Level::kNone, "?scoreall (page) - Show scores of all users"},
    {Level::kNone, "?scoreown (page) - Show scores of all your names"},
    {Level::kNone, "?scoreswap (other name) - Swap scores of your current name with your other name"},
    {Level::kNone, "?scoredelete (UserID) - Delete a player record from User Database"},
    {Level::kNone, "?scorefind (page) (name) - Get UserID of players with matching name"},
    {Level::kNone, "?scoreid - Shows your ScoreID"},
    {Level::kNone, "?top10 (win/loss/ratio/kill/flag/total) - Show the Top 10. ?top20 will show Top 20 and so on."},
    {Level::kNone, "?listop (page) - Display logged in biller operators"},
    {Level::kNone, "?login (password(s)) - Gain biller MessageOp/AccountOp/SysOp status"},
    {Level::kNone, "?logoff (M/A/S) - Drop biller MessageOp/AccountOp/SysOp status"},

    {Level::kMessageOp, "**(message) - Send an arena message to all connected zones..........MessageOp Status"},

    {Level::kAccountOp, "?username (UserID):(new name) - Change a player's name..............AccountOp Status"},
    {Level::kAccountOp, "?squadowner (SquadID):(new UserID) - Change a squad's owner"},
    {Level::kAccountOp, "?scoreadd (ip):(macid):(name) - Create a new User Database record"},
    {Level::kAccountOp, "?scoreedit (UserID) (W) (L) (R) (KP) (FP) - Edit a User Database record"},

    {Level::kSysOp, "?find (name/macid/ip) - Search for a player using name/macid/ip"},
    {Level::kSysOp, "?info (name) - Display stored player information"},
    {Level::kSysOp, "?infopage (page) (name) - Display stored player information by page"},
    {Level::kSysOp, "?infodump (page) - Display all players' info"},
    {Level::kSysOp, "?alias (macid) - Display all other names a player has"},
    {Level::kSysOp, "?aliaspage (page) (macid) - Display by page other names a player has"},
    {Level::kSysOp, "?aliasx2 (page) - Display aliases of only players that have used more than 1"},
    {Level::kSysOp, "?bget (section):(key) - Read a setting in biller's settings file....SysOp Status"},
    {Level::kSysOp, "?bset (section):(key):(value) - Write setting in biller's settings file"},
    {Level::kSysOp, "?zonerecycle (ZoneID) - Recycle a zone"},
    {Level::kSysOp, "?zonereset (ZoneID) - Executes a single-zone scorereset"},
    {Level::kSysOp, "?zoneclose (ZoneID) - Shuts down a zone"},
    {Level::kSysOp, "?listoppassword - Shows MessageOp/AccountOp/SysOp passwords"},
    {Level::kSysOp, "?greeting (default/custom/off) - Change greeting to players who log in"},
    {Level::kSysOp, "?save - Save databases to disk of all zones connected to this biller"},
    {Level::kSysOp, "?autosave (hh:mm:ss) - Change periodic save time of the databases"},
    // clang-format on
}};

bool Sees(const CommandContext& ctx, const HelpLine& line) {
  if (line.not_for_sysop && ctx.Holds(Level::kSysOp)) return false;
  return ctx.Holds(line.level);
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
  const std::optional<FileFacts> facts = FactsOf(std::string(exe_path));
  if (!facts) return {};
  const std::string date = FileDateText(facts->modified);
  if (date.empty()) return {};
  std::string text(kProgramTitle);
  text += DecimalText(kMajorVersion);
  text += " (Vesta Biller)";
  text += " Date " + date;
  text += " Size " + DecimalText(static_cast<std::int64_t>(facts->size)) + "B";
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
    if (Sees(ctx, line)) ctx.Reply(line.text);
  }
}

}  // namespace tallyhall
