// Option values of a tool's command line.
#include "common/command_line.h"

#include <charconv>

namespace tallyhall {

std::string CommandLine::Value() {
  if (at_ + 1 >= words_.size()) {
    Fail(word() + " needs a value");
    return "";
  }
  return words_[++at_];
}

std::int64_t CommandLine::Number(std::int64_t low, std::int64_t high) {
  const std::string value = Value();
  std::int64_t number = 0;
  const char* end = value.data() + value.size();
  auto [stop, error] = std::from_chars(value.data(), end, number);
  if (error != std::errc() || stop != end || number < low || number > high) {
    Fail(word() + ": " + value + " is not a whole number from " +
         std::to_string(low) + " to " + std::to_string(high));
    return low;
  }
  return number;
}

}  // namespace tallyhall
