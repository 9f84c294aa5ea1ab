// The reply vocabulary of command handlers.
#include "commands/command_context.h"

#include "base/failure.h"
#include "base/numbers.h"
#include "net/messages.h"

namespace tallyhall {

void CommandContext::Reply(std::string_view line) {
  RunStep(core.terminal(),
          [&] { SendPlayerMessage(core, zone_id, player_id, line); });
}

std::int32_t CommandContext::Number(std::string_view number_text) {
  std::int32_t value = 0;
  RunStep(core.terminal(), [&] {
    std::optional<std::int32_t> read = ReadNumber(number_text);
    if (!read) Fail(FailureKind::kOverflow);
    value = *read;
  });
  return value;
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{}
                                         : text.substr(first);
}

}  // namespace tallyhall
