// The storage every database of a zone shares: one byte string of
// fixed-size records plus their count, numbered from 1, with the change mark
// a save reads and, for the User and Squad Databases, the index that answers
// lookups by name (and MacID). The databases keep their fields and lookups;
// how records are stored, re-indexed and rolled back is written here once.
#ifndef TALLYHALL_DB_RECORD_STORE_H_
#define TALLYHALL_DB_RECORD_STORE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/record_index.h"
#include "db/tracked_bytes.h"

namespace tallyhall {

// Whether records are indexed by their identity: the first 24 bytes (the
// name, case-insensitive) and, when a MacID offset is given, 4 more bytes.
enum class Indexing { kNone, kByName };

// Every call that writes marks the bytes changed. A write that throws
// leaves the store as it was, index included.
class RecordStore {
 public:
  // Records of `record_size` bytes; `name` ("User Database") heads the text
  // of a std::length_error. With Indexing::kByName the record is at least 24
  // bytes, and `mac_offset` is where its 4 MacID bytes start, or
  // RecordIndex::kNoMac for an identity of the name alone.
  RecordStore(const char* name, std::size_t record_size, Indexing indexing,
              std::size_t mac_offset = RecordIndex::kNoMac);

  std::int32_t count() const { return count_; }
  bool Contains(std::int32_t id) const { return id > 0 && id <= count_; }

  // `width` bytes of record `id` from `offset` (inside the record), in
  // place: valid until the store next changes. Empty when !Contains(id).
  std::string_view Field(std::int32_t id, std::size_t offset,
                         std::size_t width) const;
  std::string_view Record(std::int32_t id) const {
    return Field(id, 0, record_size_);
  }

  // Writes `value` over record `id` from `offset`; the value must end
  // inside the record and Contains(id) must hold. A write that touches the
  // identity re-indexes the record. Throws std::bad_alloc before writing.
  void Write(std::int32_t id, std::size_t offset, std::string_view value);

  // Appends `record` (exactly one record's size) and returns its number.
  // Throws std::length_error or std::bad_alloc, changing nothing.
  std::int32_t Append(std::string_view record);
  // Throws the std::length_error that Append would for the count, for a
  // caller that must know before it prepares the record.
  void CheckRoomForOne() const;

  // Grows a store without index with zeroed records up to `count` (more
  // than count()). Throws std::length_error, changing nothing, when the bytes
  // would pass 2^31-1, so that an absurd number cannot allocate gigabytes.
  void GrowTo(std::int32_t count);

  // Removes record `id`; every later record moves down by one. Returns
  // false, changing nothing, when !Contains(id).
  bool Remove(std::int32_t id);

  // The lowest record whose identity is `name` fitted to 24 bytes and `mac`
  // (its first 4 bytes); what a scan from record 1 finds first. 0 when none
  // or when the store has no index.
  std::int32_t Find(std::string_view name, std::string_view mac) const;

  const std::string& bytes() const { return bytes_.bytes(); }
  // Replaces everything; `bytes` is fitted to `count` records (a negative
  // count is 0) and indexed in one pass. Throws std::bad_alloc, changing
  // nothing, when memory runs out.
  void Assign(std::string bytes, std::int32_t count);

  // Whether bytes() may differ from what the file holds: true for a new
  // store and after any change, false after MarkWritten.
  bool changed() const { return bytes_.changed(); }
  // The file now holds exactly bytes().
  void MarkWritten() { bytes_.MarkWritten(); }

 private:
  std::size_t Offset(std::int32_t id) const {
    return static_cast<std::size_t>(id - 1) * record_size_;
  }
  // Whether writing `size` bytes at `offset` of a record can change its
  // identity.
  bool TouchesIdentity(std::size_t offset, std::size_t size) const;
  [[noreturn]] void ThrowTooLarge() const;

  // Constant after construction.
  const char* name_;
  std::size_t record_size_;
  std::size_t mac_offset_;

  TrackedBytes bytes_;
  std::int32_t count_ = 0;
  // Identity -> record numbers, when indexed.
  std::optional<RecordIndex> index_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_RECORD_STORE_H_
