// The server's command line. Without an argument the server starts; each
// option instead does one small thing in the working directory and exits,
// without taking the folder's lock, opening a port or creating any file but
// the one --init writes.
#ifndef TALLYHALL_SHELL_COMMAND_LINE_H_
#define TALLYHALL_SHELL_COMMAND_LINE_H_

#include <cstdio>
#include <string>
#include <string_view>

namespace tallyhall {

enum class StartMode { kServe, kHelp, kVersion, kInit, kWrongUsage };

struct StartRequest {
  StartMode mode = StartMode::kServe;
  std::string wrong;  // kWrongUsage: the argument that was not understood
};

// Exit statuses of the options.
inline constexpr int kExitOptionFailed = 1;  // --init found the file there
inline constexpr int kExitWrongUsage = 2;

// The usage text that --help prints.
extern const std::string_view kServerUsage;

// Reads the arguments after the program name. At most one option is taken;
// anything else is wrong usage.
StartRequest ReadCommandLine(int argc, const char* const* argv);

// Carries out a request other than kServe in `folder`: prints on `out`
// (help, version, the --init result) or `err` (one line for a refusal or a
// wrong argument, then the usage hint) and returns the exit status.
int RunOption(const StartRequest& request, const std::string& folder,
              std::FILE* out, std::FILE* err);

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_COMMAND_LINE_H_
