// The disk as the packet fuzzer's inputs make it fail: write faults answered
// through the core's file hooks, read faults kept for its reads, and a
// record of the files replaced and of the writes that failed.
#ifndef TALLYHALL_TESTS_FUZZ_FILE_FAULTS_H_
#define TALLYHALL_TESTS_FUZZ_FILE_FAULTS_H_

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_traffic.h"

namespace tallyhall {

class FileFaults {
 public:
  // Writes of the files `fault` names fail its count times from now on; a
  // count of 0 ends every write fault.
  void FailWrites(const FileFault& fault);
  // The next read of a file `fault` names fails, once.
  void FailNextRead(const FileFault& fault);

  // The before_rename hook: the errno of the first write fault that names
  // the file of `temp_path` (its path without ".tmp"), using one of its
  // count, or 0, and then the file counts as replaced. A failed write keeps
  // what the temporary file held and what the file held then.
  int BeforeRename(const std::string& temp_path);
  // The hook for reads: the errno of a read fault naming the file at
  // `path`, used up, or 0.
  int BeforeRead(const std::string& path);

  struct FailedWrite {
    std::string bytes;        // what could not be written
    std::string file_before;  // what the file held at that moment
  };
  // File names (no folder) replaced, and the last failed write of each
  // file, since Clear.
  const std::set<std::string>& replaced() const { return replaced_; }
  const std::map<std::string, FailedWrite>& failed() const { return failed_; }

  // Forgets every fault and every record, for a new input.
  void Clear();

 private:
  std::vector<FileFault> writes_;
  std::vector<FileFault> reads_;
  std::set<std::string> replaced_;
  std::map<std::string, FailedWrite> failed_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_FILE_FAULTS_H_
