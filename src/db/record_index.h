// An index from a record's identity to its record numbers, kept beside a
// database string of fixed-size records whose name is the first 24 bytes.
// The identity is the lower-cased name and, for the User Database, the 4
// MacID bytes. An open-addressing table (linear probing, at most three slots
// in four used) holds one (hash, record number) slot per identity, with its
// lowest record number; the other records of an identity wait in a sorted
// list beside it. Candidates are compared against the records themselves, so
// the index holds no copy of any name: 8 bytes a slot.
#ifndef TALLYHALL_DB_RECORD_INDEX_H_
#define TALLYHALL_DB_RECORD_INDEX_H_

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallyhall {

// An identity as compared: the name's 24 bytes in ASCII lower case, and the
// MacID bytes (0 for an index without MacID).
struct RecordKey {
  std::array<std::uint64_t, 3> name{};
  std::uint32_t mac = 0;

  friend bool operator==(const RecordKey&, const RecordKey&) = default;
};

// Not tied to one string: every call that reads records takes the database
// string as it stands, which must hold the records that were indexed.
class RecordIndex {
 public:
  // Names an index whose identity is the name alone.
  static constexpr std::size_t kNoMac = 0;

  // Records of `record_size` bytes (at least 24); the MacID at `mac_offset`
  // (4 bytes inside the record), or kNoMac.
  RecordIndex(std::size_t record_size, std::size_t mac_offset)
      : record_size_(record_size), mac_offset_(mac_offset) {}

  // The identity of `name` fitted to 24 bytes (cut, or padded with NUL) and
  // the first 4 bytes of `mac` (missing bytes count as NUL).
  static RecordKey QueryKey(std::string_view name, std::string_view mac);
  // The identity of record `id` (1..count) of `records`.
  RecordKey KeyAt(std::string_view records, std::int32_t id) const;
  // The 32 bits that place an identity in the table; different identities
  // may share them.
  static std::uint32_t HashOf(const RecordKey& key);

  // Indexes records 1..count of `records` anew, in one pass. Throws
  // std::bad_alloc, leaving the index as it was, when memory runs out.
  void Build(std::string_view records, std::int32_t count);
  // Adds record `id` as `records` holds it. Throws std::bad_alloc, leaving
  // the index as it was, when memory runs out.
  void Insert(std::string_view records, std::int32_t id);
  // Takes record `id` out; `records` must still hold it as it was indexed.
  void Erase(std::string_view records, std::int32_t id);
  // Runs `write`, which changes record `id` of `records` in place, and
  // re-indexes the record around it. Throws std::bad_alloc before `write`
  // runs, leaving the index as it was, when memory runs out.
  template <typename Write>
  void Rewrite(const std::string& records, std::int32_t id, Write write) {
    ReserveOne();
    Erase(records, id);
    write();
    Insert(records, id);  // cannot throw after ReserveOne
  }
  // After record `removed_id` was erased here and cut out of the string:
  // every later record number moves down by one, in one pass.
  void CloseGap(std::int32_t removed_id);

  // The lowest record number with identity `key`, which is what a scan from
  // record 1 finds first; 0 when none.
  std::int32_t Find(std::string_view records, const RecordKey& key) const;

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::int32_t id = 0;  // 0: an empty table slot

    friend auto operator<=>(const Slot&, const Slot&) = default;
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Makes room for one more record, so that the next Insert cannot throw,
  // whatever Erase comes between. Throws std::bad_alloc, leaving the index
  // as it was, when memory runs out.
  void ReserveOne();

  // The table slot of identity `key`, whose hash is `hash`; kNone if absent.
  std::size_t SlotOf(std::string_view records, const RecordKey& key,
                     std::uint32_t hash) const;
  // Empties table slot `hole`, moving later slots of its run back.
  void ClearSlot(std::size_t hole);
  static std::size_t CapacityFor(std::size_t identities);
  static void Place(std::vector<Slot>& slots, Slot slot);

  std::size_t record_size_;
  std::size_t mac_offset_;
  std::vector<Slot> slots_;  // empty, or a power of two of slots
  std::size_t used_ = 0;     // identities in slots_
  // The records that are not the lowest of their identity, sorted.
  std::vector<Slot> later_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_RECORD_INDEX_H_
