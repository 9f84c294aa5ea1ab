// The seams of the core that the packet fuzzer drives and checks: a hook on
// database reads, the databases kept pending after a failed save, and saves
// that rename their files only when all three were written.
#ifndef TALLYHALL_TESTS_FUZZ_CORE_SEAMS_H_
#define TALLYHALL_TESTS_FUZZ_CORE_SEAMS_H_

#include <map>
#include <optional>
#include <string>

#include "context/server_core.h"
#include "fuzz/file_faults.h"

namespace tallyhall {

// Makes the core ask `faults` (FileFaults::BeforeRead) before it reads a
// database file at a zone's login. `faults` must outlive the core.
inline void ConnectReadFaults(ServerCore& core, FileFaults& faults) {
  AtomicWriteHooks hooks = core.file_hooks();
  hooks.before_read = [&faults](const std::string& path) {
    return faults.BeforeRead(path);
  };
  core.set_file_hooks(std::move(hooks));
}

// The databases the core keeps pending after a failed save, by file name,
// with their bytes.
inline std::optional<std::map<std::string, std::string>> PendingDatabases(
    const ServerCore& core) {
  std::map<std::string, std::string> pending;
  for (const std::string& name : core.pending().FileNames()) {
    if (const std::string* bytes = core.pending().Bytes(name)) {
      pending.emplace(name, *bytes);
    }
  }
  return pending;
}

// A zone's save renames its files only when all three were written, so the
// files on disk always agree with each other.
inline constexpr bool kSavesChangeFilesTogether = true;

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_CORE_SEAMS_H_
