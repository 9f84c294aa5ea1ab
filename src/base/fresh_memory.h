// Large buffers whose pages are asked of the kernel in one call. A fresh
// buffer is otherwise faulted in one page at a time as it is first written,
// which for tens of megabytes costs more than the writing and holds the loop
// for as long.
#ifndef TALLYHALL_BASE_FRESH_MEMORY_H_
#define TALLYHALL_BASE_FRESH_MEMORY_H_

#include <cstddef>
#include <string>
#include <vector>

namespace tallyhall {

// Asks the kernel to back the whole pages of [data, data + size) now, in one
// call and with huge pages where it has them, when the span is 4 MB or more.
// Only a hint; where refused, the pages come one by one.
void PrefaultPages(void* data, std::size_t size);

// Gives `bytes` room for at least `needed` bytes, doubling as the string
// itself would, with the pages of the first `needed` bytes asked for before
// the old bytes are copied in. Throws std::bad_alloc, leaving `bytes` as it
// was.
void ReserveFresh(std::string& bytes, std::size_t needed);

// Makes `values` exactly `count` copies of `value`, the pages of a new
// buffer asked for before they are written.
template <typename T>
void AssignFresh(std::vector<T>& values, std::size_t count, const T& value) {
  if (count > values.capacity()) {
    std::vector<T> fresh;
    fresh.reserve(count);
    PrefaultPages(fresh.data(), count * sizeof(T));
    values.swap(fresh);
  }
  values.assign(count, value);
}

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_FRESH_MEMORY_H_
