// Whole-file reads and atomic replacement of files in the program folder,
// shared by the settings file and the databases.
#ifndef TALLYHALL_SHELL_FILE_IO_H_
#define TALLYHALL_SHELL_FILE_IO_H_

#include <functional>
#include <string>
#include <string_view>

#include "shell/status.h"

namespace tallyhall {

// The error "<path>: <strerror text>".
Status FileError(const std::string& path, int error);

// Reads the whole file into `text`. A missing file reads as empty text; any
// other failure is an error (and `text` is empty).
Status ReadWholeFile(const std::string& path, std::string& text);

// Test seams of WriteFileAtomically: fault injection, and leaving out the
// disk syncs where no crash is to be survived (a fuzzer on a memory folder).
struct AtomicWriteHooks {
  // Called with the temporary file's path once it is written and synced,
  // just before the rename; a non-zero errno value fails the write there.
  std::function<int(const std::string& temp_path)> before_rename;
  // Neither the file nor its folder is synced.
  bool skip_sync = false;
};

// Writes `bytes` to a temporary file in the same folder (`path` + ".tmp"),
// flushes and syncs it, then renames it over `path` and syncs the folder: a
// crash leaves the old or the new file, never a part of one. The new file
// keeps the permission bits of the old one. On failure the temporary file is
// removed, `path` is untouched and the error reads "<path>: <reason>".
Status WriteFileAtomically(const std::string& path, std::string_view bytes,
                           const AtomicWriteHooks* hooks = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_FILE_IO_H_
