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

}  // namespace

void PrefaultPages(void* data, std::size_t size) {
  if (size < kPrefaultFrom) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (first + page - 1) & ~(page - 1);
  const std::uintptr_t end = (first + size) & ~(page - 1);
  if (end <= begin) return;
  void* at = reinterpret_cast<void*>(begin);
  madvise(at, end - begin, MADV_HUGEPAGE);
  madvise(at, end - begin, MADV_POPULATE_WRITE);
}

void ReserveFresh(std::string& bytes, std::size_t needed) {
  if (needed <= bytes.capacity()) return;
  std::string grown;
  grown.reserve(std::max(needed, bytes.capacity() * 2));
  PrefaultPages(grown.data(), grown.capacity());
  grown.append(bytes);
  bytes.swap(grown);
}

}  // namespace tallyhall
