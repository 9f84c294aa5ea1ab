// The public information commands: ?version, ?about, ?misc and ?bhelp.
#ifndef TALLYHALL_COMMANDS_SERVER_INFO_COMMANDS_H_
#define TALLYHALL_COMMANDS_SERVER_INFO_COMMANDS_H_

#include <string>
#include <string_view>

namespace tallyhall {

struct CommandContext;

// The file whose date and size ?version reports: the running executable.
inline constexpr std::string_view kExecutablePath = "/proc/self/exe";

// The ?version line for the file at `exe_path`: "Tallyhall1 (Vesta Biller)
// Date mm/dd/yyyy Size <bytes>B  <credit>", the date being the file's
// modification time in local time. Empty when the file cannot be read.
std::string VersionText(std::string_view exe_path);

// Replies with VersionText(exe_path). When the file cannot be read, writes
// "File not found 53" to the terminal and sends nothing.
void ReplyVersion(CommandContext& ctx, std::string_view exe_path);

void HandleVersion(CommandContext& ctx, std::string_view args);
void HandleAbout(CommandContext& ctx, std::string_view args);
void HandleMisc(CommandContext& ctx, std::string_view args);
void HandleBhelp(CommandContext& ctx, std::string_view args);

}  // namespace tallyhall

#endif  // TALLYHALL_COMMANDS_SERVER_INFO_COMMANDS_H_
