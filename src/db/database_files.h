// Loading and saving a zone's three databases: the files "User." + ServerID,
// "Squad." + GroupID and "Score." + ScoreID in the program folder, each the
// concatenation of its records.
#ifndef TALLYHALL_DB_DATABASE_FILES_H_
#define TALLYHALL_DB_DATABASE_FILES_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/status.h"
#include "base/terminal.h"
#include "db/score_db.h"
#include "db/squad_db.h"
#include "db/user_db.h"

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

// One flag for each of a zone's three databases.
struct DatabaseSet {
  bool users = false;
  bool squads = false;
  bool scores = false;
  bool any() const { return users || squads || scores; }
};

// A database file whose size is not a whole number of records.
struct PartialRecord {
  std::string file_name;    // such as "User.1"
  std::uint64_t bytes = 0;  // of the partial record at the file's end
  // The count was rounded up: the next save completes the record with NUL
  // bytes. Otherwise it was rounded down and the next save drops them.
  bool completed = false;
};

// Reads the zone's files into `dbs`, except the databases `given` names
// (copies the caller already holds), which are left as they are. The record
// count is the file length over the record size, halves rounded to even;
// the missing tail of a last partial record reads as NUL bytes, and each
// file that ends in one is added to `partial`. A database whose file holds
// exactly its records is marked written; one whose file had a partial
// record or surplus bytes stays changed, so the next save fits the file to
// the records. Files that exist are read first, and only when all of them
// were read are the missing ones created empty: a file that exists but
// cannot be opened or read ends the read with its error ("<path>:
// <reason>") before any file is created, and `dbs` is then to be dropped.
// Writes no line (see WriteLoadLines). `hooks`' before_read is a test seam.
Status ReadDatabases(std::string_view folder, const DatabaseIds& ids,
                     const DatabaseSet& given, ZoneDatabases& dbs,
                     std::vector<PartialRecord>& partial,
                     const AtomicWriteHooks* hooks = nullptr);

// The lines of a zone's load: for each partial record "<log_prefix>) <file>
// ends in a partial record of N bytes, which the next save drops" (or
// "completes with NUL bytes"), then "<zone_name> Loaded: U User Database
// records S Squad Database records C Score Database records".
void WriteLoadLines(std::string_view log_prefix, std::string_view zone_name,
                    const ZoneDatabases& dbs,
                    const std::vector<PartialRecord>& partial,
                    Terminal& terminal);

// ReadDatabases of all three files, then on success WriteLoadLines with
// `zone_name` as the prefix too; on failure no line.
Status LoadDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal);

// One file of a change that replaces several files together.
struct FileReplacement {
  std::string path;
  std::string_view bytes;
  bool replaced = false;  // set once the new file is in place
};

// Writes every file's temporary file first and renames them in their order
// only when all were written; when any failed, none is renamed and the old
// files stay. A failed rename stops the renames there (the files after it
// stay old). Each failure writes "<zone_name> Could not write <path>:
// <reason>". Returns the first error, if any.
Status ReplaceTogether(std::span<FileReplacement> files,
                       std::string_view zone_name, Terminal& terminal,
                       const AtomicWriteHooks* hooks);

// The text "U User Database records S Squad Database records C Score
// Database records" of the "Loaded:" and "Written:" lines.
std::string CountsText(std::int32_t users, std::int32_t squads,
                       std::int32_t scores);

// Replaces the zone's files with the databases as one change (see
// ReplaceTogether), Score, then Squad, then User, so that a crash between
// the renames never leaves a User file newer than its Score and Squad
// files. A database unchanged since it was loaded or written whose file is
// still there is left out: that file holds its bytes, unless another zone
// with the same identifier saved newer ones since, which an idle copy must
// not revert. A missing file is written again. Each written database is
// marked written. When none fails, writes "<zone_name> Written: ..." with
// the three counts. `unwritten`, when given, receives the databases that
// were to be written and were not. Returns the first error, if any.
// `hooks` are the test seams of the file writes.
Status SaveDatabases(std::string_view folder, std::string_view zone_name,
                     const DatabaseIds& ids, ZoneDatabases& dbs,
                     Terminal& terminal,
                     const AtomicWriteHooks* hooks = nullptr,
                     DatabaseSet* unwritten = nullptr);

}  // namespace tallyhall

#endif  // TALLYHALL_DB_DATABASE_FILES_H_
