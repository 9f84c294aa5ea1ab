// Prefaulting through madvise: MADV_HUGEPAGE first, so that where the kernel
// has transparent huge pages a 32 MB buffer takes 16 faults, not 8,192.
#include "base/fresh_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace tallyhall {
namespace {

// Below this, pages are left to be faulted in as they are first written.
constexpr std::size_t kPrefaultFrom = std::size_t{4} << 20;

// Gives `advice` for the whole pages of [data, data + size).
void Advise(void* data, std::size_t size, int advice) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (first + page - 1) & ~(page - 1);
  const std::uintptr_t end = (first + size) & ~(page - 1);
  if (end > begin) {
    madvise(reinterpret_cast<void*>(begin), end - begin, advice);
  }
}

}  // namespace

void PrefaultPages(void* data, std::size_t size) {
  if (size < kPrefaultFrom) return;
  Advise(data, size, MADV_HUGEPAGE);
  Advise(data, size, MADV_POPULATE_WRITE);
}

void ReserveFresh(std::string& bytes, std::size_t needed) {
  if (needed <= bytes.capacity()) return;
  std::string grown;
  grown.reserve(std::max(needed, bytes.capacity() * 2));
  // Only what is about to be written is populated; the rest of the doubled
  // buffer is faulted in as it fills, a huge page at a time where the
  // kernel has them, and costs no memory until then.
  if (grown.capacity() >= kPrefaultFrom) {
    Advise(grown.data(), grown.capacity(), MADV_HUGEPAGE);
  }
  PrefaultPages(grown.data(), needed);
  grown.append(bytes);
  bytes.swap(grown);
}

}  // namespace tallyhall
