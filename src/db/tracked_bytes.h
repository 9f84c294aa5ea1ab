// The byte string of one database together with whether it may differ from
// what its file holds, so that a save can skip a database nothing changed.
#ifndef TALLYHALL_DB_TRACKED_BYTES_H_
#define TALLYHALL_DB_TRACKED_BYTES_H_

#include <string>

namespace tallyhall {

// Reading is free; the one way to write is Mutable(), which marks the bytes
// changed. A new object counts as changed: no file is known to hold it.
class TrackedBytes {
 public:
  const std::string& bytes() const { return bytes_; }

  // The bytes for writing. The mark is set before any write, so it stays set
  // even when the write throws.
  std::string& Mutable() {
    changed_ = true;
    return bytes_;
  }

  bool changed() const { return changed_; }
  // The file now holds exactly bytes().
  void MarkWritten() { changed_ = false; }

 private:
  std::string bytes_;
  bool changed_ = true;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_TRACKED_BYTES_H_
