// Reading a program folder's database files for the tallyhall-db tool,
// read-only: through the server's own record code, never creating, changing
// or locking a file.
#ifndef TALLYHALL_TOOLS_DB_TOOL_DB_FOLDER_H_
#define TALLYHALL_TOOLS_DB_TOOL_DB_FOLDER_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "base/status.h"
#include "db/database_files.h"

namespace tallyhall {

// One database file as found on disk.
struct DatabaseFile {
  std::string name;          // "User.1", "Squad.1", "Score.1"
  bool exists = false;       // false: read as an empty database
  std::uint64_t length = 0;  // size in bytes
};

// A zone's three databases (chosen by ServerID, GroupID and ScoreID) and
// their files.
struct ZoneFiles {
  DatabaseIds ids;
  DatabaseFile user;
  DatabaseFile squad;
  DatabaseFile score;
  ZoneDatabases dbs;
};

// Reads the three files of `ids` in `folder` into `zone`. With
// `missing_is_empty` a missing file reads as an empty database (as the
// server would create it, but nothing is created); otherwise it is an error
// naming the file. Other read failures are errors too.
Status ReadZoneFiles(const std::string& folder, const DatabaseIds& ids,
                     bool missing_is_empty, ZoneFiles& zone);

// The identifiers of the database files in a folder, from their names
// ("User." + decimal ServerID and so on, as the server writes them).
struct FolderIds {
  std::set<std::int32_t> users;
  std::set<std::int32_t> squads;
  std::set<std::int32_t> scores;
};
Status ScanFolder(const std::string& folder, FolderIds& ids);

// The number of a decimal text as the server writes it: digits with an
// optional "-", no "+", no leading zeros, within 32 bits; nullopt otherwise.
std::optional<std::int32_t> IdFromText(std::string_view text);

// The folder and the ServerID of a path such as "run/User.3"; nullopt when
// the file name is not "User." + a decimal ServerID.
struct UserFilePath {
  std::string folder;
  std::int32_t server_id = 0;
};
std::optional<UserFilePath> SplitUserFilePath(std::string_view path);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_DB_TOOL_DB_FOLDER_H_
