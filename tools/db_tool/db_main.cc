// tallyhall-db: lists, shows, checks and exports the database files of a
// program folder without a running server. It only ever reads them.
#include <cstdio>
#include <string>

#include "common/command_line.h"
#include "db_tool/db_commands.h"

namespace tallyhall {
namespace {

constexpr char kUsage[] = R"(Usage: tallyhall-db COMMAND ...
Reads the database files of a Tallyhall program folder without a running
server. It only reads: no database file is created, changed or locked.

Commands:
  list User.N [--group G] [--score S] [--json]
      One line per user record: UserID, name, SquadID and squad name, MacID,
      IP, last date played, Win, Loss, Ratio, KillPoints, FlagPoints and
      TotalPoints; tab separated under a header line, or with --json one JSON
      object a line.
  show User.N UserID [--group G] [--score S]
      Every field of one user record.
  check FOLDER [--ids ServerID GroupID ScoreID]...
      Reports files whose size is not a whole number of records, SquadIDs,
      ScoreIDs and squad owners that name no record, and user records that
      repeat the name and MacID of an earlier one. One line per problem.
  export FOLDER ServerID GroupID ScoreID --csv OUT [--raw]
      Writes User.<ServerID>.csv, Squad.<GroupID>.csv and Score.<ScoreID>.csv,
      each with a header row, into the folder OUT (created when missing).
      Squad passwords are exported as stored. A name or password that
      begins with =, +, - or @ is written with a ' in front, so that a
      spreadsheet does not run it as a formula; --raw writes every text
      exactly as stored.

Names and other texts:
  The files hold names as bytes, in no particular encoding. list and show
  print them as stored, with bytes below 0x20 and 0x7F to 0x9F as \xHH;
  --json reads every byte as one character of the same number (Latin-1), so
  a byte 0x80 or above becomes the code point U+0080 to U+00FF and a name
  written in UTF-8 shows as several characters; export writes the bytes as
  stored.

Which files belong together:
  A zone uses User.<ServerID>, Squad.<GroupID> and Score.<ScoreID>. list and
  show take the Squad and Score files from the folder of the User file,
  numbered like it (User.3 goes with Squad.3 and Score.3) unless --group and
  --score give the zone's GroupID and ScoreID. check pairs each User.N with
  Squad.N and Score.N unless --ids (repeatable) gives the zones' identifiers.
  In check, a missing file of a pair reads as empty (as the server would
  create it), and a file outside every pair is checked for its size only.

Exit status: 0 done (check: no problem found), 1 check found problems or
no database file, or list, show or export met a file that ends in a partial
record (said on stderr; every whole record is still printed), 2 wrong usage
or a file that cannot be read.
)";

// Reads argv into `args`; false with `error` set on a malformed line.
bool Parse(int argc, char** argv, DbArguments& args, std::string& error) {
  CommandLine line(argc, argv);
  while (line.Next()) {
    const std::string& word = line.word();
    if (word == "-h" || word == "--help") {
      args.options.insert("--help");
      continue;
    }
    if (!word.starts_with("--")) {
      (args.command.empty() ? args.command : args.positional.emplace_back()) =
          word;
      continue;
    }
    args.options.insert(word);
    if (word == "--json") {
      args.json = true;
    } else if (word == "--group") {
      args.group = line.Int32();
    } else if (word == "--score") {
      args.score = line.Int32();
    } else if (word == "--raw") {
      args.raw = true;
    } else if (word == "--csv") {
      args.csv = line.Value();
    } else if (word == "--ids") {
      if (!line.Takes(3, "three values: ServerID GroupID ScoreID")) break;
      DatabaseIds& ids = args.ids.emplace_back();
      ids.server_id = line.Int32();
      ids.group_id = line.Int32();
      ids.score_id = line.Int32();
    } else {
      line.Fail("unknown option " + word);
    }
  }
  error = line.error();
  return error.empty();
}

int Run(int argc, char** argv) {
  DbArguments args;
  std::string error;
  if (!Parse(argc, argv, args, error)) return Fail(error + " (see --help)");
  if (args.options.count("--help") || args.command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.command.empty()) {
    std::fputs(kUsage, stderr);
    return kExitError;
  }
  if (args.command == "list") return ListCommand(args);
  if (args.command == "show") return ShowCommand(args);
  if (args.command == "check") return CheckCommand(args);
  if (args.command == "export") return ExportCommand(args);
  return Fail("unknown command " + args.command + " (see --help)");
}

}  // namespace
}  // namespace tallyhall

int main(int argc, char** argv) { return tallyhall::Run(argc, argv); }
