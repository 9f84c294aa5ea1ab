// The alias-group listing of a User Database ("<a><b>,<c><d>"), worked out
// over a copy of the records' names, MacIDs and IPs taken at construction,
// in steps that can be spread over many turns of the loop.
#ifndef TALLYHALL_DB_ALIAS_GROUPS_H_
#define TALLYHALL_DB_ALIAS_GROUPS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallyhall {

// Record i heads a group of itself and every later record that shares its
// MacID or its IP, unless its name (up to its first NUL) already occurs
// anywhere in the text built so far (case-sensitive; "<", ">" and ","
// included; an empty name always occurs). Groups are "<" + name + ">" per
// member, closed by ","; the last "," is dropped.
//
// A name without "<", ">" or "," occurs in the text exactly when it lies
// inside a listed name, so every listed name marks the record names that
// are its substrings (at most 300 per name) and a record is tested with one
// look-up. Other names are searched for in the text. Memory: about 100
// bytes a record plus the text; time grows linearly with the records.
class AliasGroups {
 public:
  // Copies what the listing reads from `count` records of `record_size`
  // bytes: the name (24 bytes at 0), IP (4 at `ip_offset`) and MacID (4 at
  // `mac_offset`). `records` is not read again. Throws std::bad_alloc when
  // memory runs out.
  AliasGroups(std::string_view records, std::int32_t count,
              std::size_t record_size, std::size_t ip_offset,
              std::size_t mac_offset);

  // Does about `units` records' worth of work; true once the text is
  // complete. Throws std::bad_alloc when memory runs out.
  bool Step(std::size_t units);
  bool done() const { return phase_ == Phase::kDone; }
  // The finished text; empty before.
  const std::string& text() const { return text_; }

 private:
  enum class Phase { kTables, kLinks, kNames, kGroups, kDone };
  struct Record {
    std::array<char, 24> name;
    std::uint32_t ip;
    std::uint32_t mac;
  };
  // One distinct name: its hash, a record that has it and its length.
  struct NameSlot {
    std::uint64_t hash = 0;
    std::int32_t record = -1;  // -1: empty slot
    std::uint32_t length = 0;
  };
  static constexpr std::int32_t kNone = -1;
  // The last record seen with a MacID or an IP (a hash table slot).
  struct LastSeen {
    std::uint32_t key = 0;
    std::int32_t record = kNone;
  };

  // Building the tables of a phase counts as this many units of work: at a
  // million records they are tens of megabytes of fresh memory, which then
  // take a call of their own instead of the one that copied the records.
  std::size_t TableUnits() const;
  void StartLinks();
  void StartNames();
  std::string_view NameOf(std::int32_t record) const;
  // Links the record to the next one with the same MacID and IP; records
  // are taken from the last to the first.
  void Link(std::int32_t record);
  static void LinkBy(std::vector<LastSeen>& last, std::uint32_t key,
                     std::int32_t record, std::int32_t& next);
  // Gives the record the slot of its distinct name.
  void Name(std::int32_t record);
  // One unit of the listing: the next member of the group under way, or
  // the next record, which may head a group.
  void ListOne();
  bool Occurs(std::int32_t record) const;
  void AppendMember(std::int32_t record);
  // Marks every record name that occurs inside `name`.
  void MarkInside(std::string_view name);
  // The slot of `name` (hash `hash`), or the empty slot where it belongs.
  std::size_t SlotOf(std::string_view name, std::uint64_t hash) const;

  std::vector<Record> records_;
  std::int32_t count_ = 0;
  Phase phase_ = Phase::kTables;
  std::int32_t next_ = 0;  // the next record of the phase

  // kLinks: the last record seen (walking backwards) per MacID and per IP,
  // and for each record the next one with its MacID and with its IP.
  std::vector<LastSeen> last_mac_;
  std::vector<LastSeen> last_ip_;
  std::vector<std::int32_t> next_mac_;
  std::vector<std::int32_t> next_ip_;

  // kNames: distinct names, and for each record its name's slot.
  std::vector<NameSlot> names_;
  std::vector<std::uint32_t> name_of_;
  std::vector<std::uint64_t> name_filter_;  // a bit per hash, for MarkInside
  std::uint32_t lengths_ = 0;               // bit n: some name has n bytes
  std::vector<bool> occurs_;                // per slot: inside the text
  std::vector<bool> listed_;                // per slot: marked already

  // kGroups: the group being listed, and the next members it may have.
  bool in_group_ = false;
  std::int32_t by_mac_ = kNone;
  std::int32_t by_ip_ = kNone;
  std::string text_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_ALIAS_GROUPS_H_
