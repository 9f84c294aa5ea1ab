// Whole-file reads and the temporary-file-and-rename replacement of files.
#include "base/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/fresh_memory.h"

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

// Writes all of `bytes` to `fd`; returns 0 or the errno value.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

// Makes a rename in the folder of `path` durable; failures are ignored, as
// the file itself is already complete.
void SyncFolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "."
                       : slash == 0               ? "/"
                                                  : path.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool Syncs(const AtomicWriteHooks* hooks) {
  return hooks == nullptr || !hooks->skip_sync;
}

// Opens `path` for appending; a missing file is created with exactly
// `new_file_mode`. Returns the descriptor, or -1 with errno set.
int OpenForAppend(const std::string& path, mode_t new_file_mode) {
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC;
  int fd = open(path.c_str(), flags);
  if (fd >= 0 || errno != ENOENT) return fd;
  fd = open(path.c_str(), flags | O_CREAT | O_EXCL, new_file_mode);
  if (fd >= 0) {
    // The umask cut the mode given to open; a failure here leaves the file
    // with fewer rights, never more, so it is dropped.
    fchmod(fd, new_file_mode);
    return fd;
  }
  // Created by someone else in the meantime: append to theirs.
  return errno == EEXIST ? open(path.c_str(), flags) : -1;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  while (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  return std::string(folder) + "/" + std::string(name);
}

Status FileError(const std::string& path, int error) {
  return Status::Error(path + ": " + std::strerror(error));
}

std::optional<FileFacts> FactsOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileFacts{.modified = info.st_mtime,
                   .size = static_cast<std::uint64_t>(info.st_size)};
}

int OpenForReadingError(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Status ReadRegularFile(
    const std::string& path, MissingFile missing, mode_t new_file_mode,
    const std::function<std::optional<ReadPlan>(std::uint64_t length)>& plan,
    FileContents& contents) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT && missing == MissingFile::kCreateEmpty) {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK,
              new_file_mode);
    // The umask cut the mode given to open; a failure here leaves the file
    // with fewer rights, never more, so it is dropped.
    if (fd >= 0) fchmod(fd, new_file_mode);
  }
  if (fd < 0) return FileError(path, errno);
  FdCloser closer(fd);

  struct stat info;
  if (fstat(fd, &info) != 0) return FileError(path, errno);
  if (S_ISDIR(info.st_mode)) return FileError(path, EISDIR);
  if (!S_ISREG(info.st_mode)) return FileError(path, EINVAL);
  const auto length = static_cast<std::uint64_t>(info.st_size);
  const std::optional<ReadPlan> wanted = plan(length);
  if (!wanted) return FileError(path, EFBIG);

  std::string data;
  try {
    data.reserve(std::max(wanted->capacity, wanted->size));
    PrefaultPages(data.data(), wanted->size);
    data.resize(wanted->size, '\0');
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
  contents.bytes = std::move(data);
  contents.length = length;
  contents.from_file = done;
  return Status::Ok();
}

Status CheckFolderWritable(const std::string& folder) {
  std::string path = JoinPath(folder, ".Tallyhall.write-check.XXXXXX");
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return FileError(path, errno);
  ::close(fd);
  if (::unlink(path.c_str()) != 0) return FileError(path, errno);
  return Status::Ok();
}

Status LockProgramFolder(const std::string& folder, bool& held_by_another) {
  held_by_another = false;
  const std::string path = folder + "/Tallyhall.lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return FileError(path, errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    held_by_another = error == EWOULDBLOCK;
    ::close(fd);
    return FileError(path, error);
  }
  return Status::Ok();  // fd stays open: the lock lasts until exit
}

Status ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Status::Ok() : FileError(path, errno);
  char buffer[4096];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      int error = errno;
      close(fd);
      text.clear();
      return FileError(path, error);
    }
    text.append(buffer, static_cast<std::size_t>(count));
  }
  close(fd);
  return Status::Ok();
}

Status PrepareReplacement(const std::string& path, std::string_view bytes,
                          const AtomicWriteHooks* hooks, mode_t new_file_mode) {
  // A folder in the file's place would fail the rename; found here, it fails
  // the write before any file of a joint change is renamed.
  struct stat old_info;
  const bool exists = stat(path.c_str(), &old_info) == 0;
  if (exists && S_ISDIR(old_info.st_mode)) return FileError(path, EISDIR);
  const std::string temp = path + ".tmp";
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  int fd = open(temp.c_str(), flags, 0600);
  if (fd < 0 && errno == EEXIST) {
    // Left over from a crash during an earlier save.
    unlink(temp.c_str());
    fd = open(temp.c_str(), flags, 0600);
  }
  if (fd < 0) return FileError(path, errno);

  // fchmod, since the mode given to open is cut by the umask. The temporary
  // file starts private, so a failed fchmod (dropped) never opens it up.
  const bool replacing = exists && S_ISREG(old_info.st_mode);
  fchmod(fd, replacing ? old_info.st_mode & 07777 : new_file_mode);
  int error = WriteAll(fd, bytes);
  if (error == 0 && Syncs(hooks) && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && hooks != nullptr && hooks->before_rename) {
    error = hooks->before_rename(temp);
  }
  if (error != 0) {
    unlink(temp.c_str());
    return FileError(path, error);
  }
  return Status::Ok();
}

Status CommitReplacement(const std::string& path,
                         const AtomicWriteHooks* hooks) {
  const std::string temp = path + ".tmp";
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    return FileError(path, error);
  }
  if (Syncs(hooks)) SyncFolderOf(path);
  return Status::Ok();
}

void DropReplacement(const std::string& path) {
  unlink((path + ".tmp").c_str());
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes,
                           const AtomicWriteHooks* hooks,
                           mode_t new_file_mode) {
  Status status = PrepareReplacement(path, bytes, hooks, new_file_mode);
  return status.ok() ? CommitReplacement(path, hooks) : status;
}

AppendResult AppendToFile(const std::string& path, std::string_view bytes,
                          mode_t new_file_mode, std::uint64_t max_size) {
  const int fd = OpenForAppend(path, new_file_mode);
  if (fd < 0) return AppendResult::kFailed;
  struct stat info;
  AppendResult result = AppendResult::kFailed;
  if (fstat(fd, &info) == 0) {
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > max_size || bytes.size() > max_size - size) {
      result = AppendResult::kFull;
    } else if (WriteAll(fd, bytes) == 0) {
      result = AppendResult::kWritten;
    }
  }
  close(fd);
  return result;
}

}  // namespace tallyhall
