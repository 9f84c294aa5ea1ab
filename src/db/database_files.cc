// Loading a zone's three database files into memory and writing them back.
// Each file is its records end to end; writes replace files atomically.
#include "db/database_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The program folder's file `name`; an empty folder or "." means the
// current folder.
std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty() || folder == ".") return std::string(name);
  std::string path(folder);
  if (path.back() != '/') path += '/';
  path += name;
  return path;
}

struct DatabasePaths {
  std::string user;
  std::string squad;
  std::string score;
};

DatabasePaths PathsOf(std::string_view folder, const DatabaseIds& ids) {
  return {JoinPath(folder, "User." + DecimalText(ids.server_id)),
          JoinPath(folder, "Squad." + DecimalText(ids.group_id)),
          JoinPath(folder, "Score." + DecimalText(ids.score_id))};
}

// Records in a file of `length` bytes: length / record_size rounded to the
// nearest whole number, an exact half to the even neighbour.
std::uint64_t RecordCount(std::uint64_t length, std::uint64_t record_size) {
  std::uint64_t count = length / record_size;
  std::uint64_t rest = length % record_size;
  if (2 * rest > record_size || (2 * rest == record_size && count % 2 == 1)) {
    ++count;
  }
  return count;
}

// Reads the database file at `path` (created empty when missing) into
// `bytes` and `count`. The bytes of a last record that the file cuts short
// are NUL.
Status ReadDatabaseFile(const std::string& path, std::size_t record_size,
                        std::string& bytes, std::int32_t& count) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  }
  if (fd < 0) return FileError(path, errno);
  FdCloser closer(fd);

  struct stat info;
  if (fstat(fd, &info) != 0) return FileError(path, errno);
  if (S_ISDIR(info.st_mode)) return FileError(path, EISDIR);
  if (!S_ISREG(info.st_mode)) return FileError(path, EINVAL);

  std::uint64_t length = static_cast<std::uint64_t>(info.st_size);
  std::uint64_t records = RecordCount(length, record_size);
  if (records >
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    return FileError(path, EFBIG);
  }
  std::string data;
  try {
    data.assign(records * record_size, '\0');
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
  bytes = std::move(data);
  count = static_cast<std::int32_t>(records);
  return Status::Ok();
}

std::string CountsText(const ZoneDatabases& dbs) {
  return DecimalText(dbs.users.UserCount()) + " User Database records " +
         DecimalText(dbs.squads.SquadCount()) + " Squad Database records " +
         DecimalText(dbs.scores.ScoreCount()) + " Score Database records";
}

}  // namespace

Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal) {
  dbs.users.Assign(std::string(), 0);
  dbs.squads.Assign(std::string(), 0);
  dbs.scores.Assign(std::string(), 0);
  DatabasePaths paths = PathsOf(folder, ids);
  std::string bytes;
  std::int32_t count = 0;

  Status status = ReadDatabaseFile(paths.user, kUserRecordSize, bytes, count);
  if (!status.ok()) return status;
  dbs.users.Assign(std::move(bytes), count);

  status = ReadDatabaseFile(paths.squad, kSquadRecordSize, bytes, count);
  if (!status.ok()) return status;
  dbs.squads.Assign(std::move(bytes), count);

  status = ReadDatabaseFile(paths.score, kScoreRecordSize, bytes, count);
  if (!status.ok()) return status;
  dbs.scores.Assign(std::move(bytes), count);

  terminal.WriteLogLine(std::string(zone_name) + " Loaded: " + CountsText(dbs));
  return Status::Ok();
}

Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, const ZoneDatabases& dbs,
                     Terminal& terminal, const AtomicWriteHooks* hooks) {
  DatabasePaths paths = PathsOf(folder, ids);
  Status first = Status::Ok();
  auto note_failure = [&](const Status& status) {
    // The message reads "<file>: <reason>".
    terminal.WriteLogLine(std::string(zone_name) + " Could not write " +
                          status.message());
    if (first.ok()) first = status;
  };
  // User records name score records by position: Score goes first, and a
  // User file is never written past a Score file that could not be, so a
  // crash or a full disk never leaves users pointing past the scores.
  const Status score =
      WriteFileAtomically(paths.score, dbs.scores.bytes(), hooks);
  if (!score.ok()) note_failure(score);
  const Status squad =
      WriteFileAtomically(paths.squad, dbs.squads.bytes(), hooks);
  if (!squad.ok()) note_failure(squad);
  if (score.ok()) {
    const Status user =
        WriteFileAtomically(paths.user, dbs.users.bytes(), hooks);
    if (!user.ok()) note_failure(user);
  } else {
    note_failure(Status::Error(paths.user +
                               ": kept, as the Score file was not written"));
  }
  if (first.ok()) {
    terminal.WriteLogLine(std::string(zone_name) +
                          " Written: " + CountsText(dbs));
  }
  return first;
}

}  // namespace tallyhall
