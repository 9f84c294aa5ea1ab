// Walking a tool's command line word by word, with the value of an option
// taken from the word after it. Shared by tallyhall-db and tallyhall-zone.
#ifndef TALLYHALL_TOOLS_COMMON_COMMAND_LINE_H_
#define TALLYHALL_TOOLS_COMMON_COMMAND_LINE_H_

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tallyhall {

class CommandLine {
 public:
  CommandLine(int argc, char** argv) : words_(argv + 1, argv + argc) {}

  // Moves to the next word; false at the end or once an error is set.
  bool Next() {
    option_ = ++at_;
    return error_.empty() && at_ < words_.size();
  }
  // The word Next() moved to (an option, whose values may follow it).
  const std::string& word() const { return words_[option_]; }

  // True when `count` more words follow the current option; otherwise sets
  // the error "<option> needs <what>" and returns false.
  bool Takes(std::size_t count, const std::string& what) {
    if (at_ + count < words_.size()) return true;
    Fail(word() + " needs " + what);
    return false;
  }

  // The word after the current option, which it consumes; sets the error
  // and returns "" when there is none.
  std::string Value();
  // Value() read as a whole number from `low` to `high`; sets the error
  // and returns `low` when it is not one.
  std::int64_t Number(std::int64_t low, std::int64_t high);
  // Number() over the signed 32-bit range.
  std::int32_t Int32() {
    return static_cast<std::int32_t>(
        Number(std::numeric_limits<std::int32_t>::min(),
               std::numeric_limits<std::int32_t>::max()));
  }

  void Fail(std::string error) {
    if (error_.empty()) error_ = std::move(error);
  }
  const std::string& error() const { return error_; }

 private:
  std::vector<std::string> words_;
  std::size_t at_ = static_cast<std::size_t>(-1);  // before the first word
  std::size_t option_ = 0;
  std::string error_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_COMMON_COMMAND_LINE_H_
