// The packet fuzzer's command shapes and the dictionary made of them.
#ifndef TALLYHALL_TESTS_FUZZ_COMMAND_SHAPES_H_
#define TALLYHALL_TESTS_FUZZ_COMMAND_SHAPES_H_

#include <string>
#include <vector>

namespace tallyhall {

// Command texts of every command word, with arguments of the shapes its
// handler accepts, as the set-up's first player of zone one may type them.
std::vector<std::string> CommandShapes();
// The libFuzzer dictionary (tests/fuzz/commands.dict): each command shape
// alone and as a whole chunk typed by that player, fault instructions and
// framing bytes.
std::string DictionaryText();

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_COMMAND_SHAPES_H_
