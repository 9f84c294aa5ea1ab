// Writes the packet fuzzer's seed inputs into a folder (tests/fuzz/corpus)
// and its dictionary into a file (tests/fuzz/commands.dict).
// Usage: make_seeds <folder> <dictionary>
#include <cstdio>
#include <string>

#include "fuzz/command_shapes.h"
#include "fuzz/fuzz_traffic.h"
#include "support/fakes.h"

int main(int argc, char** argv) {
  using namespace tallyhall;
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_seeds <folder> <dictionary>\n");
    return 2;
  }
  for (const auto& [name, bytes] : SeedInputs()) {
    WriteFile(std::string(argv[1]) + "/" + name, bytes);
  }
  WriteFile(argv[2], DictionaryText());
  return 0;
}
