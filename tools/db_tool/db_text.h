// The texts tallyhall-db prints and writes: one line per user record (tab
// separated or JSON), one record in full, and the CSV of each database.
#ifndef TALLYHALL_TOOLS_DB_TOOL_DB_TEXT_H_
#define TALLYHALL_TOOLS_DB_TOOL_DB_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/database_files.h"

namespace tallyhall {

// The header of the tab-separated listing, ending in "\n".
std::string ListHeader();
// User record `id`: UserID, name, SquadID and squad name, MacID, IP, last
// date played, the scores (from the Score Database) and TotalPoints; tab
// separated, control bytes of names as \xHH, ending in "\n".
std::string ListLine(const ZoneDatabases& dbs, std::int32_t id);
// The same fields (and the ScoreID) as one JSON object on one line.
std::string JsonLine(const ZoneDatabases& dbs, std::int32_t id);
// Every field of user record `id`, one "Field: value" line each; the data
// block as hex.
std::string ShowRecord(const ZoneDatabases& dbs, std::int32_t id);

// A JSON string literal of a byte string: ", \ and bytes below 0x20 or from
// 0x7F escaped as \u00XX (bytes read as Latin-1), so the output is ASCII.
std::string JsonString(std::string_view bytes);
// One CSV field: quoted, with quotes doubled, when it holds a comma, a
// quote, a control byte or a blank at either end; otherwise as it is.
std::string CsvField(std::string_view bytes);

// A CSV field of a text that a player chose (a name, a password): unless
// `raw`, a text that begins with =, +, - or @ gets a ' in front, so that a
// spreadsheet shows it instead of running it as a formula.
std::string CsvText(std::string_view bytes, bool raw);

// The CSV files, each with a header row; lines end in CR LF. Names and
// passwords are written with CsvText.
std::string UserCsv(const UserDatabase& users, bool raw = false);
std::string SquadCsv(const SquadDatabase& squads, bool raw = false);
std::string ScoreCsv(const ScoreDatabase& scores);

// "yyyy-mm-dd hh:mm:ss" of a 12-byte packed time stamp.
std::string TimeStampText(std::string_view packed);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_DB_TOOL_DB_TEXT_H_
