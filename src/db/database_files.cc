// Loading a zone's three database files into memory and writing them back.
// Each file is its records end to end; writes replace files atomically, and
// a database unchanged since its file was read or written is not rewritten.
#include "db/database_files.h"

#include <algorithm>
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

// Reads one database file into `db`. A database whose file holds exactly its
// bytes counts as written.
template <typename Database>
Status LoadDatabase(const std::string& path, std::size_t record_size,
                    Database& db) {
  DatabaseFile file;
  Status status =
      ReadDatabaseFile(path, record_size, MissingFile::kCreateEmpty, file);
  if (!status.ok()) return status;
  db.Assign(std::move(file.bytes), file.count);
  if (file.exact) db.MarkWritten();
  return Status::Ok();
}

std::string CountsText(const ZoneDatabases& dbs) {
  return DecimalText(dbs.users.UserCount()) + " User Database records " +
         DecimalText(dbs.squads.SquadCount()) + " Squad Database records " +
         DecimalText(dbs.scores.ScoreCount()) + " Score Database records";
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

Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal) {
  dbs.users.Assign(std::string(), 0);
  dbs.squads.Assign(std::string(), 0);
  dbs.scores.Assign(std::string(), 0);
  DatabasePaths paths = PathsOf(folder, ids);
  Status status = LoadDatabase(paths.user, kUserRecordSize, dbs.users);
  if (!status.ok()) return status;
  status = LoadDatabase(paths.squad, kSquadRecordSize, dbs.squads);
  if (!status.ok()) return status;
  status = LoadDatabase(paths.score, kScoreRecordSize, dbs.scores);
  if (!status.ok()) return status;

  terminal.WriteLogLine(std::string(zone_name) + " Loaded: " + CountsText(dbs));
  return Status::Ok();
}

Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal, const AtomicWriteHooks* hooks) {
  DatabasePaths paths = PathsOf(folder, ids);
  Status first = Status::Ok();
  auto note_failure = [&](const Status& status) {
    // The message reads "<file>: <reason>".
    terminal.WriteLogLine(
        std::string(zone_name) + " Could not write " + status.message(),
        LogPriority::kError);
    if (first.ok()) first = status;
  };
  // True when the file holds the database afterwards.
  auto save = [&](const std::string& path, auto& db) {
    if (!db.changed() && IsRegularFile(path)) return true;
    Status status = WriteFileAtomically(path, db.bytes(), hooks);
    if (status.ok()) {
      db.MarkWritten();
      return true;
    }
    note_failure(status);
    return false;
  };
  // User records name score records by position: Score goes first, and a
  // User file is never written past a Score file that could not be, so a
  // crash or a full disk never leaves users pointing past the scores.
  const bool score_saved = save(paths.score, dbs.scores);
  save(paths.squad, dbs.squads);
  if (score_saved) {
    save(paths.user, dbs.users);
  } else {
    note_failure(
        Status::Error(paths.user + ": kept, as the Score file was not written"));
  }
  if (first.ok()) {
    terminal.WriteLogLine(std::string(zone_name) +
                          " Written: " + CountsText(dbs));
  }
  return first;
}

}  // namespace tallyhall
