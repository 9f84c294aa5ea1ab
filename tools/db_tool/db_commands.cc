// The commands of tallyhall-db: reading the files a command names, running
// the checks and writing the listings and CSV files.
#include "db_tool/db_commands.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "base/file_io.h"
#include "db/encoding.h"
#include "db_tool/db_check.h"
#include "db_tool/db_folder.h"
#include "db_tool/db_text.h"

namespace tallyhall {

namespace {

void Print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// An error for options that the command does not take or a wrong number of
// arguments; empty when the line fits.
std::string Misfit(const DbArguments& args, std::set<std::string> allowed,
                   std::size_t positional) {
  for (const std::string& option : args.options) {
    if (!allowed.count(option))
      return args.command + " does not take " + option;
  }
  if (args.positional.size() == positional) return "";
  return args.command + " takes " + DecimalText(std::int64_t(positional)) +
         " argument" + (positional == 1 ? "" : "s") + " (see --help)";
}

// Reads the zone of the User file named first on the command line; its
// Squad and Score files must exist.
Status ReadNamedZone(const DbArguments& args, ZoneFiles& zone) {
  const std::optional<UserFilePath> path =
      SplitUserFilePath(args.positional[0]);
  if (!path) {
    return Status::Error(args.positional[0] +
                         ": not a User file (\"User.\" and a ServerID)");
  }
  const DatabaseIds ids{.server_id = path->server_id,
                        .group_id = args.group.value_or(path->server_id),
                        .score_id = args.score.value_or(path->server_id)};
  Status status = ReadZoneFiles(path->folder, ids, true, zone);
  if (!status.ok()) return status;
  if (!zone.user.exists) {
    return Status::Error(args.positional[0] + ": No such file");
  }
  for (const DatabaseFile* file : {&zone.squad, &zone.score}) {
    if (file->exists) continue;
    return Status::Error(file->name + " is not beside " + zone.user.name +
                         "; give the zone's GroupID and ScoreID with --group "
                         "and --score");
  }
  return Status::Ok();
}

// Keeps the whole records of one database. The server reads a partial
// record at the end of a file as a whole one padded with NUL bytes (or drops
// it), so a listing would show a record that no save wrote.
template <typename Database>
bool KeepWholeRecords(const DatabaseFile& file, int record_size,
                      std::int32_t count, Database& db) {
  const auto size = static_cast<std::uint64_t>(record_size);
  if (file.length % size == 0) return false;
  const auto whole = static_cast<std::int32_t>(file.length / size);
  if (count > whole) {
    db.Assign(db.bytes().substr(0, static_cast<std::size_t>(whole) * size),
              whole);
  }
  std::fprintf(stderr,
               "tallyhall-db: %s ends in a partial record of %llu bytes, "
               "which is left out\n",
               file.name.c_str(),
               static_cast<unsigned long long>(file.length % size));
  return true;
}

// Leaves out the partial record at the end of any of the zone's files, with
// one line on stderr for each; true when there was one.
bool DropPartialRecords(ZoneFiles& zone) {
  ZoneDatabases& dbs = zone.dbs;
  bool partial = KeepWholeRecords(zone.user, kUserRecordSize,
                                  dbs.users.UserCount(), dbs.users);
  partial |= KeepWholeRecords(zone.squad, kSquadRecordSize,
                              dbs.squads.SquadCount(), dbs.squads);
  partial |= KeepWholeRecords(zone.score, kScoreRecordSize,
                              dbs.scores.ScoreCount(), dbs.scores);
  return partial;
}

// Size checks of the files that no checked zone uses.
void CheckUnpairedSizes(const std::string& folder, const FolderIds& found,
                        std::set<std::string>& sized, Problems& problems) {
  const struct {
    std::string_view kind;
    const std::set<std::int32_t>& ids;
    int record_size;
  } kinds[] = {{"User", found.users, kUserRecordSize},
               {"Squad", found.squads, kSquadRecordSize},
               {"Score", found.scores, kScoreRecordSize}};
  for (const auto& kind : kinds) {
    for (std::int32_t id : kind.ids) {
      DatabaseFile file{.name = std::string(kind.kind) + "." + DecimalText(id),
                        .exists = true};
      if (!sized.insert(file.name).second) continue;
      std::error_code error;
      file.length = std::filesystem::file_size(
          std::filesystem::path(folder) / file.name, error);
      if (!error) CheckFileSize(file, kind.record_size, problems);
    }
  }
}

}  // namespace

int Fail(const std::string& message) {
  std::fprintf(stderr, "tallyhall-db: %s\n", message.c_str());
  return kExitError;
}

int ListCommand(const DbArguments& args) {
  const std::string misfit = Misfit(args, {"--group", "--score", "--json"}, 1);
  if (!misfit.empty()) return Fail(misfit);
  ZoneFiles zone;
  const Status status = ReadNamedZone(args, zone);
  if (!status.ok()) return Fail(status.message());
  const bool partial = DropPartialRecords(zone);
  std::string out = args.json ? "" : ListHeader();
  for (std::int32_t id = 1; id <= zone.dbs.users.UserCount(); ++id) {
    out += args.json ? JsonLine(zone.dbs, id) : ListLine(zone.dbs, id);
  }
  Print(out);
  return partial ? kExitProblems : 0;
}

int ShowCommand(const DbArguments& args) {
  const std::string misfit = Misfit(args, {"--group", "--score"}, 2);
  if (!misfit.empty()) return Fail(misfit);
  const std::optional<std::int32_t> id = IdFromText(args.positional[1]);
  if (!id) return Fail("not a UserID: " + args.positional[1]);
  ZoneFiles zone;
  const Status status = ReadNamedZone(args, zone);
  if (!status.ok()) return Fail(status.message());
  const bool partial = DropPartialRecords(zone);
  const std::int32_t count = zone.dbs.users.UserCount();
  if (*id < 1 || *id > count) {
    return Fail("UserID " + DecimalText(*id) + " names no record of " +
                zone.user.name + " (" + DecimalText(count) + " records)");
  }
  Print(ShowRecord(zone.dbs, *id));
  return partial ? kExitProblems : 0;
}

int CheckCommand(const DbArguments& args) {
  const std::string misfit = Misfit(args, {"--ids"}, 1);
  if (!misfit.empty()) return Fail(misfit);
  const std::string& folder = args.positional[0];
  FolderIds found;
  Status status = ScanFolder(folder, found);
  if (!status.ok()) return Fail(status.message());
  if (found.users.empty() && found.squads.empty() && found.scores.empty()) {
    Print("No database files in " + folder + "\n");
    return kExitProblems;
  }
  std::vector<DatabaseIds> zones = args.ids;
  if (zones.empty()) {
    for (std::int32_t id : found.users) zones.push_back({id, id, id});
  }

  // Lines leave as they are found: a file of millions of bad records must
  // not be held in memory as text.
  Problems problems([](std::string_view line) {
    Print(line);
    Print("\n");
  });
  std::set<std::string> sized;
  std::set<std::string> missing;
  for (const DatabaseIds& ids : zones) {
    ZoneFiles zone;
    status = ReadZoneFiles(folder, ids, true, zone);
    if (!status.ok()) return Fail(status.message());
    const std::pair<const DatabaseFile*, int> files[] = {
        {&zone.user, kUserRecordSize},
        {&zone.squad, kSquadRecordSize},
        {&zone.score, kScoreRecordSize}};
    for (const auto& [file, record_size] : files) {
      if (!file->exists && missing.insert(file->name).second) {
        Print("Note: " + file->name + " does not exist; read as empty\n");
      }
    }
    for (const auto& [file, record_size] : files) {
      if (file->exists && sized.insert(file->name).second) {
        CheckFileSize(*file, record_size, problems);
      }
    }
    CheckZoneRecords(zone, problems);
  }
  CheckUnpairedSizes(folder, found, sized, problems);
  problems.Finish();

  const std::int64_t count = problems.count();
  if (count == 0) {
    Print("No problems found in " + folder + " (" +
          DecimalText(std::int64_t(sized.size())) + " files checked)\n");
  } else {
    Print(DecimalText(count) + " problem" + (count == 1 ? "" : "s") +
          " found in " + folder + "\n");
  }
  return count == 0 ? 0 : kExitProblems;
}

int ExportCommand(const DbArguments& args) {
  const std::string misfit = Misfit(args, {"--csv", "--raw"}, 4);
  if (!misfit.empty()) return Fail(misfit);
  if (!args.csv) return Fail("export needs --csv OUT (see --help)");
  DatabaseIds ids;
  std::int32_t* targets[] = {&ids.server_id, &ids.group_id, &ids.score_id};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::optional<std::int32_t> id = IdFromText(args.positional[i + 1]);
    if (!id) return Fail("not an identifier: " + args.positional[i + 1]);
    *targets[i] = *id;
  }
  ZoneFiles zone;
  Status status = ReadZoneFiles(args.positional[0], ids, false, zone);
  if (!status.ok()) return Fail(status.message());
  const bool partial = DropPartialRecords(zone);

  std::error_code error;
  std::filesystem::create_directories(*args.csv, error);
  if (error) return Fail(*args.csv + ": " + error.message());
  const std::pair<const DatabaseFile*, std::string> outputs[] = {
      {&zone.user, UserCsv(zone.dbs.users, args.raw)},
      {&zone.squad, SquadCsv(zone.dbs.squads, args.raw)},
      {&zone.score, ScoreCsv(zone.dbs.scores)}};
  for (const auto& [file, csv] : outputs) {
    const std::string path =
        (std::filesystem::path(*args.csv) / (file->name + ".csv")).string();
    status = WriteFileAtomically(path, csv);
    if (!status.ok()) return Fail(status.message());
    Print("Wrote " + path + "\n");
  }
  return partial ? kExitProblems : 0;
}

}  // namespace tallyhall
