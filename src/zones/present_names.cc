// The names of a zone's players, lower-cased and counted.
#include "zones/present_names.h"

#include "db/encoding.h"

namespace tallyhall {

void PresentNames::Add(std::string_view name) {
  ++counts_[ToLower(name)];
  ++size_;
}

void PresentNames::Remove(std::string_view name) {
  const auto found = counts_.find(ToLower(name));
  if (found == counts_.end()) return;
  if (--found->second == 0) counts_.erase(found);
  --size_;
}

bool PresentNames::Contains(std::string_view name) const {
  return counts_.contains(ToLower(name));
}

}  // namespace tallyhall
