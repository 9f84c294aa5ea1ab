// Loading a zone's three database files into memory and writing them back.
// Each file is its records end to end; writes replace files atomically, and
// a database unchanged since its file was read or written is not rewritten.
#include "db/database_files.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>

#include "db/encoding.h"

namespace tallyhall {

namespace {

// Room reserved beyond the records read: an eighth more, at least 64
// records. Its pages are not touched until records are added, so it costs
// address space only, and the first new players after a zone's login append
// in place instead of copying the whole database.
std::size_t WithHeadroom(std::size_t bytes, std::size_t record_size) {
  return bytes +
         std::max(bytes / 8 / record_size, std::size_t{64}) * record_size;
}

// A database file as read.
struct DatabaseFile {
  std::string bytes;
  std::int32_t count = 0;
  std::uint64_t length = 0;  // of the file, in bytes
  bool exact = false;        // the file holds exactly `bytes`, no more, no less
};

// Reads the database file at `path` (created empty when missing and
// `missing` says so) into `file`, in one read where the system allows. The
// bytes of a last record that the file cuts short are NUL.
Status ReadDatabaseFile(const std::string& path, std::size_t record_size,
                        MissingFile missing, DatabaseFile& file) {
  std::uint64_t records = 0;
  auto plan = [&](std::uint64_t length) -> std::optional<ReadPlan> {
    records = RecordCount(length, record_size);
    if (records >
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(records * record_size);
    return ReadPlan{.size = size, .capacity = WithHeadroom(size, record_size)};
  };
  FileContents contents;
  Status status = ReadRegularFile(path, missing, kDataFileMode, plan, contents);
  if (!status.ok()) return status;
  file.length = contents.length;
  file.exact = contents.from_file == contents.bytes.size() &&
               contents.length == contents.bytes.size();
  file.bytes = std::move(contents.bytes);
  file.count = static_cast<std::int32_t>(records);
  return Status::Ok();
}

// One of a zone's files as ReadDatabases reads it.
template <typename Database>
struct FileToRead {
  std::string path;
  std::size_t record_size;
  Database* db;  // null: given by the caller, not read
  bool missing = false;
};

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// Reads the file into its database; a database whose file holds exactly its
// bytes counts as written. A file that ends in a partial record is added to
// `partial`. With MissingFile::kFail a missing file is no error: it is
// marked missing, for the caller to create.
template <typename Database>
Status ReadInto(FileToRead<Database>& file, MissingFile missing,
                std::vector<PartialRecord>& partial,
                const AtomicWriteHooks* hooks) {
  DatabaseFile read;
  Status status = ReadDatabaseFile(file.path, file.record_size, missing, read);
  if (!status.ok()) {
    file.missing = missing == MissingFile::kFail &&
                   OpenForReadingError(file.path) == ENOENT;
    return file.missing ? Status::Ok() : status;
  }
  if (hooks != nullptr && hooks->before_read) {
    if (const int error = hooks->before_read(file.path)) {
      return FileError(file.path, error);
    }
  }
  if (const std::uint64_t rest = read.length % file.record_size) {
    partial.push_back({.file_name = FileNameOf(file.path),
                       .bytes = rest,
                       .completed = read.bytes.size() > read.length});
  }
  file.db->Assign(std::move(read.bytes), read.count);
  if (read.exact) file.db->MarkWritten();
  return Status::Ok();
}

// Reads the files that exist, then creates and reads the missing ones, so
// that a file that cannot be read ends the read before any is created.
template <typename... Databases>
Status ReadFiles(std::vector<PartialRecord>& partial,
                 const AtomicWriteHooks* hooks,
                 FileToRead<Databases>&... files) {
  Status status = Status::Ok();
  auto read = [&](auto& file, MissingFile missing) {
    if (!status.ok() || file.db == nullptr) return;
    if (missing == MissingFile::kCreateEmpty && !file.missing) return;
    status = ReadInto(file, missing, partial, hooks);
  };
  (read(files, MissingFile::kFail), ...);
  (read(files, MissingFile::kCreateEmpty), ...);
  return status;
}

std::string ZoneCountsText(const ZoneDatabases& dbs) {
  return CountsText(dbs.users.UserCount(), dbs.squads.SquadCount(),
                    dbs.scores.ScoreCount());
}

}  // namespace

std::uint64_t RecordCount(std::uint64_t length, std::uint64_t record_size) {
  std::uint64_t count = length / record_size;
  std::uint64_t rest = length % record_size;
  if (2 * rest > record_size || (2 * rest == record_size && count % 2 == 1)) {
    ++count;
  }
  return count;
}

DatabasePaths PathsOf(std::string_view folder, const DatabaseIds& ids) {
  return {JoinPath(folder, "User." + DecimalText(ids.server_id)),
          JoinPath(folder, "Squad." + DecimalText(ids.group_id)),
          JoinPath(folder, "Score." + DecimalText(ids.score_id))};
}

Status ReadDatabaseFileOnly(const std::string& path, int record_size,
                            std::string& bytes, std::int32_t& count,
                            std::uint64_t& length) {
  DatabaseFile file;
  Status status = ReadDatabaseFile(path, static_cast<std::size_t>(record_size),
                                   MissingFile::kFail, file);
  if (!status.ok()) return status;
  bytes = std::move(file.bytes);
  count = file.count;
  length = file.length;
  return Status::Ok();
}

Status ReadDatabases(std::string_view folder, const DatabaseIds& ids,
                     const DatabaseSet& given, ZoneDatabases& dbs,
                     std::vector<PartialRecord>& partial,
                     const AtomicWriteHooks* hooks) {
  DatabasePaths paths = PathsOf(folder, ids);
  FileToRead<UserDatabase> user{paths.user, kUserRecordSize,
                                given.users ? nullptr : &dbs.users};
  FileToRead<SquadDatabase> squad{paths.squad, kSquadRecordSize,
                                  given.squads ? nullptr : &dbs.squads};
  FileToRead<ScoreDatabase> score{paths.score, kScoreRecordSize,
                                  given.scores ? nullptr : &dbs.scores};
  return ReadFiles(partial, hooks, user, squad, score);
}

void WriteLoadLines(std::string_view log_prefix, std::string_view zone_name,
                    const ZoneDatabases& dbs,
                    const std::vector<PartialRecord>& partial,
                    Terminal& terminal) {
  for (const PartialRecord& p : partial) {
    terminal.WriteLogLine(std::string(log_prefix) + ") " + p.file_name +
                          " ends in a partial record of " +
                          DecimalText(static_cast<std::int64_t>(p.bytes)) +
                          " bytes, which the next save " +
                          (p.completed ? "completes with NUL bytes" : "drops"));
  }
  terminal.WriteLogLine(std::string(zone_name) +
                        " Loaded: " + ZoneCountsText(dbs));
}

Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal) {
  dbs = ZoneDatabases();
  std::vector<PartialRecord> partial;
  Status status = ReadDatabases(folder, ids, {}, dbs, partial);
  if (status.ok()) WriteLoadLines(zone_name, zone_name, dbs, partial, terminal);
  return status;
}

std::string CountsText(std::int32_t users, std::int32_t squads,
                       std::int32_t scores) {
  return DecimalText(users) + " User Database records " + DecimalText(squads) +
         " Squad Database records " + DecimalText(scores) +
         " Score Database records";
}

Status ReplaceTogether(std::span<FileReplacement> files,
                       std::string_view zone_name, Terminal& terminal,
                       const AtomicWriteHooks* hooks) {
  Status first = Status::Ok();
  auto note_failure = [&](const Status& status) {
    // The message reads "<file>: <reason>".
    terminal.WriteLogLine(
        std::string(zone_name) + " Could not write " + status.message(),
        LogPriority::kError);
    if (first.ok()) first = status;
  };
  std::vector<bool> prepared(files.size(), false);
  for (std::size_t i = 0; i < files.size(); ++i) {
    Status status = PrepareReplacement(files[i].path, files[i].bytes, hooks);
    prepared[i] = status.ok();
    if (!status.ok()) note_failure(status);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!prepared[i]) continue;
    if (!first.ok()) {
      DropReplacement(files[i].path);
      continue;
    }
    Status status = CommitReplacement(files[i].path, hooks);
    files[i].replaced = status.ok();
    if (!status.ok()) note_failure(status);
  }
  return first;
}

Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal, const AtomicWriteHooks* hooks,
                     DatabaseSet* unwritten) {
  DatabasePaths paths = PathsOf(folder, ids);
  auto needs_write = [](const auto& db, const std::string& path) {
    return db.changed() || !IsRegularFile(path);
  };
  // User records name score records and squads name their owners by
  // position, so the three change together, and a crash between the renames
  // leaves the User file the oldest of them.
  std::vector<FileReplacement> files;
  if (needs_write(dbs.scores, paths.score)) {
    files.push_back({paths.score, dbs.scores.bytes()});
  }
  if (needs_write(dbs.squads, paths.squad)) {
    files.push_back({paths.squad, dbs.squads.bytes()});
  }
  if (needs_write(dbs.users, paths.user)) {
    files.push_back({paths.user, dbs.users.bytes()});
  }
  Status status = ReplaceTogether(files, zone_name, terminal, hooks);

  // True when `db` was to be written and was not.
  auto settle = [&](auto& db, const std::string& path) {
    for (const FileReplacement& file : files) {
      if (file.path != path) continue;
      if (file.replaced) db.MarkWritten();
      return !file.replaced;
    }
    return false;
  };
  const DatabaseSet left{.users = settle(dbs.users, paths.user),
                         .squads = settle(dbs.squads, paths.squad),
                         .scores = settle(dbs.scores, paths.score)};
  if (unwritten != nullptr) *unwritten = left;
  if (status.ok()) {
    terminal.WriteLogLine(std::string(zone_name) +
                          " Written: " + ZoneCountsText(dbs));
  }
  return status;
}

}  // namespace tallyhall
