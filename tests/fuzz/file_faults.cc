// Write and read faults of the packet fuzzer.
#include "fuzz/file_faults.h"

#include <string_view>

#include "base/file_io.h"

namespace tallyhall {
namespace {

std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Uses one of the count of the first fault in `faults` naming `name`;
// returns its errno, or 0 when none names it.
int UseFault(std::vector<FileFault>& faults, std::string_view name) {
  for (auto it = faults.begin(); it != faults.end(); ++it) {
    if (!FaultNames(*it, name)) continue;
    const int error = it->error;
    if (--it->count <= 0) faults.erase(it);
    return error;
  }
  return 0;
}

}  // namespace

void FileFaults::FailWrites(const FileFault& fault) {
  if (fault.count == 0) {
    writes_.clear();
    return;
  }
  writes_.push_back(fault);
}

void FileFaults::FailNextRead(const FileFault& fault) {
  FileFault once = fault;
  once.count = 1;
  reads_.push_back(once);
}

int FileFaults::BeforeRename(const std::string& temp_path) {
  std::string_view path = temp_path;
  if (path.ends_with(".tmp")) path.remove_suffix(4);
  const std::string name(BaseName(path));
  const int error = UseFault(writes_, name);
  if (error == 0) {
    replaced_.insert(name);
    return 0;
  }
  FailedWrite& failed = failed_[name];
  // Unreadable files read as empty: the records are for the checks only.
  (void)ReadWholeFile(temp_path, failed.bytes);
  (void)ReadWholeFile(std::string(path), failed.file_before);
  return error;
}

int FileFaults::BeforeRead(const std::string& path) {
  return UseFault(reads_, BaseName(path));
}

void FileFaults::Clear() {
  writes_.clear();
  reads_.clear();
  replaced_.clear();
  failed_.clear();
}

}  // namespace tallyhall
