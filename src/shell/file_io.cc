// Whole-file reads and the temporary-file-and-rename replacement of files.
#include "shell/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallyhall {
namespace {

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

}  // namespace

Status FileError(const std::string& path, int error) {
  return Status::Error(path + ": " + std::strerror(error));
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

Status WriteFileAtomically(const std::string& path, std::string_view bytes,
                           const AtomicWriteHooks* hooks) {
  const std::string temp = path + ".tmp";
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  int fd = open(temp.c_str(), flags, 0666);
  if (fd < 0 && errno == EEXIST) {
    // Left over from a crash during an earlier save.
    unlink(temp.c_str());
    fd = open(temp.c_str(), flags, 0666);
  }
  if (fd < 0) return FileError(path, errno);

  struct stat old_info;
  if (stat(path.c_str(), &old_info) == 0 && S_ISREG(old_info.st_mode)) {
    fchmod(fd, old_info.st_mode & 07777);
  }
  const bool sync = hooks == nullptr || !hooks->skip_sync;
  int error = WriteAll(fd, bytes);
  if (error == 0 && sync && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && hooks != nullptr && hooks->before_rename) {
    error = hooks->before_rename(temp);
  }
  if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temp.c_str());
    return FileError(path, error);
  }
  if (sync) SyncFolderOf(path);
  return Status::Ok();
}

}  // namespace tallyhall
