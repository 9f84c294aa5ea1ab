// The names of the players present in one zone, so that "is a player of
// this name here?" costs the same however many players are present.
#ifndef TALLYHALL_ZONES_PRESENT_NAMES_H_
#define TALLYHALL_ZONES_PRESENT_NAMES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tallyhall {

// A multiset of names compared without regard to ASCII case: two players of
// one name count twice, and the name stays until both have left. Owned by
// its ZoneEntry; AppendPlayer and RemovePlayer keep it equal to the names
// of the zone's player list.
class PresentNames {
 public:
  // Counts one more player of `name`. Throws std::bad_alloc, changing
  // nothing, when memory runs out.
  void Add(std::string_view name);
  // Counts one player of `name` less; nothing happens for a name not here.
  void Remove(std::string_view name);
  // Whether a player of `name` is present.
  bool Contains(std::string_view name) const;
  // How many players are counted.
  std::size_t size() const { return size_; }

 private:
  // Lower-cased name -> how many present players carry it (never 0).
  std::unordered_map<std::string, std::int32_t> counts_;
  std::size_t size_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_ZONES_PRESENT_NAMES_H_
