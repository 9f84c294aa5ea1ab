// Loading a zone's three database files into memory and writing them back.
// Each file is its records end to end; writes replace files atomically, and
// a database unchanged since its file was read or written is not rewritten.
#include "db/database_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <utility>

#include "db/encoding.h"

namespace tallyhall {

namespace {

// Closes a file descriptor when it goes out of scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

// What reading does with a missing file.
enum class MissingFile { kCreateEmpty, kFail };

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
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT && missing == MissingFile::kCreateEmpty) {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK,
              kDataFileMode);
    if (fd >= 0) fchmod(fd, kDataFileMode);  // the umask cut the mode above
  }
  if (fd < 0) return FileError(path, errno);
  FdCloser closer(fd);

  struct stat info;
  if (fstat(fd, &info) != 0) return FileError(path, errno);
  if (S_ISDIR(info.st_mode)) return FileError(path, EISDIR);
  if (!S_ISREG(info.st_mode)) return FileError(path, EINVAL);

  const auto length = static_cast<std::uint64_t>(info.st_size);
  std::uint64_t records = RecordCount(length, record_size);
  if (records >
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    return FileError(path, EFBIG);
  }
  std::string data;
  try {
    data.reserve(WithHeadroom(records * record_size, record_size));
    data.resize(records * record_size, '\0');
  } catch (const std::exception&) {  // bad_alloc, length_error
    return FileError(path, ENOMEM);
  }
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t got = read(fd, data.data() + done, data.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FileError(path, errno);
    if (got == 0) break;  // The file ended early; the rest stays NUL.
    done += static_cast<std::size_t>(got);
  }
  file.length = length;
  file.exact = done == data.size() && length == data.size();
  file.bytes = std::move(data);
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

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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
                     Terminal& terminal) {
  DatabasePaths paths = PathsOf(folder, ids);
  Status first = Status::Ok();
  auto save = [&](const std::string& path, auto& db) {
    if (!db.changed() && IsRegularFile(path)) return;
    Status status = WriteFileAtomically(path, db.bytes());
    if (status.ok()) {
      db.MarkWritten();
      return;
    }
    // The message reads "<file>: <reason>".
    terminal.WriteLogLine(std::string(zone_name) + " Could not write " +
                          status.message());
    if (first.ok()) first = status;
  };
  save(paths.user, dbs.users);
  save(paths.squad, dbs.squads);
  save(paths.score, dbs.scores);
  if (first.ok()) {
    terminal.WriteLogLine(std::string(zone_name) +
                          " Written: " + CountsText(dbs));
  }
  return first;
}

}  // namespace tallyhall
