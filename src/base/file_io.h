// Whole-file reads and atomic replacement of files in the program folder,
// shared by the settings file and the databases.
#ifndef TALLYHALL_BASE_FILE_IO_H_
#define TALLYHALL_BASE_FILE_IO_H_

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace tallyhall {

// Modes of the files the server creates, whatever the umask: the settings
// file holds every password; databases, the log and event records are for
// the owner and the group. Existing files keep their modes.
inline constexpr mode_t kPrivateFileMode = 0600;
inline constexpr mode_t kDataFileMode = 0640;

// Joins a folder and a file name with exactly one "/": trailing "/" of the
// folder and leading "/" of the name are dropped. An empty folder gives
// "/" + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// The error "<path>: <strerror text>".
Status FileError(const std::string& path, int error);

// Reads the whole file into `text`. A missing file reads as empty text; any
// other failure is an error (and `text` is empty).
Status ReadWholeFile(const std::string& path, std::string& text);

// A file's last modification and its size, as the file system tells them.
struct FileFacts {
  std::time_t modified = 0;
  std::uint64_t size = 0;
};

// The facts of the file at `path` (following links); nullopt when it cannot
// be looked at.
std::optional<FileFacts> FactsOf(const std::string& path);

// 0 when the file at `path` opens for reading; otherwise the errno value
// (ENOENT for a missing file).
int OpenForReadingError(const std::string& path);

// True when `path` names a regular file (following links).
bool IsRegularFile(const std::string& path);

// Creates a temporary file in `folder` and removes it again, so that a
// folder where no save could succeed is found before the server opens its
// port. Returns the error of the step that failed, naming the file.
Status CheckFolderWritable(const std::string& folder);

// Takes an exclusive lock on `folder` + "/Tallyhall.lock" without waiting,
// creating the file (mode 0644 less the umask) when it is missing, so that
// one server at a time runs in a program folder. Returns OK when the lock is
// taken: the file then stays open, and the lock held, until the process
// exits. Otherwise nothing stays open, the error reads "<path>: <reason>"
// and `held_by_another` says whether another process holds the lock.
Status LockProgramFolder(const std::string& folder, bool& held_by_another);

// How a read treats a missing file.
enum class MissingFile { kCreateEmpty, kFail };

// How much of a file a read wants once it knows the file's length: `size`
// bytes from its start (those past its end read as NUL), in a string with
// room for `capacity` bytes.
struct ReadPlan {
  std::size_t size = 0;
  std::size_t capacity = 0;
};

// What ReadRegularFile read.
struct FileContents {
  std::string bytes;          // the planned size
  std::uint64_t length = 0;   // of the file
  std::size_t from_file = 0;  // leading bytes of `bytes` that came from it
};

// Reads the regular file at `path` as `plan` asks, given the file's length;
// `plan` returns nullopt for a file too large to read. A missing file is
// created empty with exactly `new_file_mode` when `missing` says so, else it
// is an error. Opening never blocks, and anything but a regular file (a
// folder, a FIFO, a device) is refused. Errors read "<path>: <reason>".
Status ReadRegularFile(
    const std::string& path, MissingFile missing, mode_t new_file_mode,
    const std::function<std::optional<ReadPlan>(std::uint64_t length)>& plan,
    FileContents& contents);

// Test seams of the file access: fault injection, and leaving out the disk
// syncs where no crash is to be survived (a fuzzer on a memory folder). The
// server never sets them.
struct AtomicWriteHooks {
  // Called with the temporary file's path once it is written and synced,
  // before any rename; a non-zero errno value fails the write there.
  std::function<int(const std::string& temp_path)> before_rename;
  // Neither the file nor its folder is synced.
  bool skip_sync = false;
  // Called with the path of a database file that exists, before it is read
  // at a zone's login; a non-zero errno value fails the read there.
  std::function<int(const std::string& path)> before_read;
};

// Writes `bytes` to a temporary file in the same folder (`path` + ".tmp"),
// flushes and syncs it, then renames it over `path` and syncs the folder: a
// crash leaves the old or the new file, never a part of one. The new file
// keeps the permission bits of the old one, or gets `new_file_mode` when
// there was none. On failure the temporary file is removed, `path` is
// untouched and the error reads "<path>: <reason>".
Status WriteFileAtomically(const std::string& path, std::string_view bytes,
                           const AtomicWriteHooks* hooks = nullptr,
                           mode_t new_file_mode = kDataFileMode);

// The two halves of WriteFileAtomically, for files that must change
// together: write every temporary file first, then rename them only when
// all were written. PrepareReplacement writes and syncs `path` + ".tmp"
// (with the modes above) and leaves `path` untouched; on failure the
// temporary file is removed. CommitReplacement renames a prepared file over
// `path` and syncs the folder; on failure the temporary file is removed.
// DropReplacement removes a prepared file that will not be committed.
// Errors read "<path>: <reason>".
Status PrepareReplacement(const std::string& path, std::string_view bytes,
                          const AtomicWriteHooks* hooks = nullptr,
                          mode_t new_file_mode = kDataFileMode);
Status CommitReplacement(const std::string& path,
                         const AtomicWriteHooks* hooks = nullptr);
void DropReplacement(const std::string& path);

// What AppendToFile did.
enum class AppendResult {
  kWritten,  // all of the bytes are at the end of the file
  kFull,     // the file would have passed its limit: nothing was written
  kFailed,   // the file could not be opened, sized or written
};

// Appends `bytes` to the file at `path` in one write, creating a missing
// file with exactly `new_file_mode` (whatever the umask). When the file
// holds `max_size` bytes or would pass that size with `bytes`, nothing is
// written. The file is opened and closed for this one append.
AppendResult AppendToFile(const std::string& path, std::string_view bytes,
                          mode_t new_file_mode,
                          std::uint64_t max_size = UINT64_MAX);

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_FILE_IO_H_
