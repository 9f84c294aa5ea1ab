// Loading and saving a zone's three databases: the files "User." + ServerID,
// "Squad." + GroupID and "Score." + ScoreID in the program folder, each the
// concatenation of its records.
#ifndef TALLYHALL_DB_DATABASE_FILES_H_
#define TALLYHALL_DB_DATABASE_FILES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/score_db.h"
#include "db/squad_db.h"
#include "db/user_db.h"
#include "base/file_io.h"
#include "base/status.h"
#include "base/terminal.h"

namespace tallyhall {

struct ZoneDatabases {
  UserDatabase users;
  SquadDatabase squads;
  ScoreDatabase scores;
};

struct DatabaseIds {
  std::int32_t server_id = 0;
  std::int32_t group_id = 0;
  std::int32_t score_id = 0;
};

// The paths of the three files of `ids` in `folder` ("" or "." for the
// current folder): "User." + ServerID, "Squad." + GroupID, "Score." +
// ScoreID.
struct DatabasePaths {
  std::string user;
  std::string squad;
  std::string score;
};
DatabasePaths PathsOf(std::string_view folder, const DatabaseIds& ids);

// Records in a file of `length` bytes: length / record_size rounded to the
// nearest whole number, an exact half to the even neighbour.
std::uint64_t RecordCount(std::uint64_t length, std::uint64_t record_size);

// Reads one database file of `record_size`-byte records into `bytes` and
// `count` as LoadDatabases does (halves rounded to even, a cut-short last
// record padded with NUL bytes) and its size in bytes into `length`, but
// never creates or changes a file: a missing file is an error.
Status ReadDatabaseFileOnly(const std::string& path, int record_size,
                            std::string& bytes, std::int32_t& count,
                            std::uint64_t& length);

// Reads the three files (creating missing ones empty) into `dbs`. The record
// count is the file length over the record size, halves rounded to even; the
// missing tail of a last partial record reads as NUL bytes. A database whose
// file holds exactly its records is marked written; one whose file had a
// partial record or surplus bytes stays changed, so the next save fits the
// file to the records. On success writes
// "<zone_name> Loaded: U User Database records S Squad Database records C
// Score Database records" and returns OK. On the first failure stops, leaves
// the databases not yet read empty, writes no line and returns the error.
Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal);

// Replaces the three files atomically with the databases, Score first, then
// Squad, then User, except a database unchanged since it was loaded or
// written whose file is still there: that file holds its bytes, unless
// another zone with the same identifier saved newer ones since, which an
// idle copy must not revert. A missing file is written again. Each written
// database is marked written; each failure leaves its database changed and
// writes a line "<zone_name> Could not write <file>: <reason>". When the
// Score file could not be written, the User file is left as it is (its
// records would name score records past the end of the Score file), with
// such a line too. When none fails, writes "<zone_name> Written: ..." with
// the three counts. Returns the first error, if any. `hooks` are the test
// seams of WriteFileAtomically.
Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal,
                     const AtomicWriteHooks* hooks = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_DB_DATABASE_FILES_H_
