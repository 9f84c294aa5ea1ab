// The server's options: --help, --version and --init, and the refusal of
// anything else.
#include "shell/command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/file_io.h"
#include "base/settings.h"

#ifndef TALLYHALL_VERSION
#error "TALLYHALL_VERSION must name the project's version"
#endif

namespace tallyhall {

const std::string_view kServerUsage =
    R"(Usage: tallyhall [--help | --version | --init]
Tallyhall is a player-database server (a "biller") for multiplayer game zone
servers. Zone servers log in to it over UDP; it keeps each zone's players,
squads and scores in database files, answers player logins, routes chat
between zones and interprets the ?-commands of players and operators.

The program folder is the working directory: Tallyhall.ini (the settings),
the User.*, Squad.* and Score.* databases, Terminal.log and Tallyhall.lock
are all read and written there, so start it as
    cd /var/lib/tallyhall && tallyhall
Without an argument the server starts: it writes Tallyhall.ini with
commented defaults when the file is missing, opens the UDP port that the
file names (Port, 4000 by default) and serves until a signal stops it. One
server runs per folder.

Options:
  --help      print this text and exit
  --version   print "tallyhall" and the version and exit
  --init      write the default Tallyhall.ini (mode 0600) into the working
              directory and exit without opening a port, so that it can be
              edited before the first start; refused when the file exists
No option takes the folder's lock or writes any other file.

Signals:
  SIGTERM, SIGINT, SIGHUP  disconnect every zone, save its databases, exit

Exit status: 0 stopped by a signal with every zone saved (or an option
done), 1 the start failed or --init found the file, 2 a wrong argument or a
zone's databases could not be saved at shutdown.

Every section and key of Tallyhall.ini, its default and when it is read:
docs/settings.md in the source, installed as
/usr/share/doc/tallyhall/settings.md.
)";

namespace {

constexpr std::string_view kUsageHint =
    "Usage: tallyhall [--help | --version | --init]; tallyhall --help tells "
    "more\n";

// Writes the default settings text into a file that must not exist yet;
// EEXIST when it does. A file that cannot be written whole is removed.
int CreateDefaultSettings(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        kPrivateFileMode);
  if (fd < 0) return errno;
  // The umask must not widen or narrow the mode of the file of passwords.
  int error = ::fchmod(fd, kPrivateFileMode) == 0 ? 0 : errno;
  std::string_view rest = kDefaultSettingsText;
  while (error == 0 && !rest.empty()) {
    const ssize_t written = ::write(fd, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) error = written < 0 ? errno : EIO;
    if (written > 0) rest.remove_prefix(static_cast<std::size_t>(written));
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) ::unlink(path.c_str());
  return error;
}

int RunInit(const std::string& folder, std::FILE* out, std::FILE* err) {
  const std::string path = JoinPath(folder, "Tallyhall.ini");
  const int error = CreateDefaultSettings(path);
  if (error == EEXIST) {
    std::fprintf(err, "tallyhall: %s already exists; left unchanged\n",
                 path.c_str());
    return kExitOptionFailed;
  }
  if (error != 0) {
    std::fprintf(err, "tallyhall: %s: %s\n", path.c_str(),
                 std::strerror(error));
    return kExitOptionFailed;
  }
  std::fprintf(out,
               "Wrote %s; change its four passwords before the first "
               "start\n",
               path.c_str());
  return 0;
}

}  // namespace

StartRequest ReadCommandLine(int argc, const char* const* argv) {
  if (argc <= 1) return {};
  if (argc > 2) return {StartMode::kWrongUsage, argv[2]};
  const std::string_view word = argv[1];
  if (word == "--help" || word == "-h") return {StartMode::kHelp, ""};
  if (word == "--version") return {StartMode::kVersion, ""};
  if (word == "--init") return {StartMode::kInit, ""};
  return {StartMode::kWrongUsage, std::string(word)};
}

int RunOption(const StartRequest& request, const std::string& folder,
              std::FILE* out, std::FILE* err) {
  switch (request.mode) {
    case StartMode::kHelp:
      std::fwrite(kServerUsage.data(), 1, kServerUsage.size(), out);
      return 0;
    case StartMode::kVersion:
      std::fprintf(out, "tallyhall %s\n", TALLYHALL_VERSION);
      return 0;
    case StartMode::kInit:
      return RunInit(folder, out, err);
    case StartMode::kServe:
    case StartMode::kWrongUsage:
      break;
  }
  std::fprintf(err, "tallyhall: unexpected argument: %s\n",
               request.wrong.c_str());
  std::fwrite(kUsageHint.data(), 1, kUsageHint.size(), err);
  return kExitWrongUsage;
}

}  // namespace tallyhall
