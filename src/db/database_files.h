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
#include "shell/file_io.h"
#include "shell/status.h"
#include "shell/terminal.h"

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

// Reads the three files (creating missing ones empty) into `dbs`. The record
// count is the file length over the record size, halves rounded to even; the
// missing tail of a last partial record reads as NUL bytes. On success writes
// "<zone_name> Loaded: U User Database records S Squad Database records C
// Score Database records" and returns OK. On the first failure stops, leaves
// the databases not yet read empty, writes no line and returns the error.
Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal);

// Replaces the three files atomically with the databases, Score first,
// then Squad, then User. Every failure writes a line "<zone_name> Could not
// write <file>: <reason>". When the Score file could not be written, the
// User file is left as it is (its records would name score records past the
// end of the Score file), with such a line too. When all three are written,
// writes "<zone_name> Written: ..." with the three counts. Returns the first
// error, if any. `hooks` are the test seams of WriteFileAtomically.
Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, const ZoneDatabases& dbs,
                     Terminal& terminal,
                     const AtomicWriteHooks* hooks = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_DB_DATABASE_FILES_H_
