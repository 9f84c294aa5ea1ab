// Writes the packet fuzzer's seed inputs into a folder (tests/fuzz/corpus).
// Usage: make_seeds <folder>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_traffic.h"
#include "support/fakes.h"

int main(int argc, char** argv) {
  using namespace tallyhall;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <folder>\n");
    return 2;
  }
  for (const auto& [name, bytes] : SeedInputs()) {
    WriteFile(std::string(argv[1]) + "/" + name, bytes);
  }
  return 0;
}
