// The four commands of tallyhall-db. Each prints its result on stdout, its
// errors on stderr (one line, "tallyhall-db: " first) and returns the exit
// status.
#ifndef TALLYHALL_TOOLS_DB_TOOL_DB_COMMANDS_H_
#define TALLYHALL_TOOLS_DB_TOOL_DB_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/database_files.h"

namespace tallyhall {

// check found something wrong or no database file; list, show or export
// met a partial record (and printed every whole one)
inline constexpr int kExitProblems = 1;
inline constexpr int kExitError = 2;  // wrong usage or unreadable file

// A command line taken apart.
struct DbArguments {
  std::string command;
  std::vector<std::string> positional;
  bool json = false;
  std::optional<std::int32_t> group;
  std::optional<std::int32_t> score;
  std::vector<DatabaseIds> ids;
  std::optional<std::string> csv;
  bool raw = false;               // export: texts exactly as stored
  std::set<std::string> options;  // every option given
};

// Prints the error line and returns kExitError.
int Fail(const std::string& message);

// list User.N [--group G] [--score S] [--json]
int ListCommand(const DbArguments& args);
// show User.N UserID [--group G] [--score S]
int ShowCommand(const DbArguments& args);
// check FOLDER [--ids ServerID GroupID ScoreID]...
int CheckCommand(const DbArguments& args);
// export FOLDER ServerID GroupID ScoreID --csv OUT [--raw]
int ExportCommand(const DbArguments& args);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_DB_TOOL_DB_COMMANDS_H_
