// The consistency checks of tallyhall-db check: file sizes that are not whole
// records, SquadIDs, ScoreIDs and squad owners that name no record, and
// records sharing one name and MacID.
#ifndef TALLYHALL_TOOLS_DB_TOOL_DB_CHECK_H_
#define TALLYHALL_TOOLS_DB_TOOL_DB_CHECK_H_

#include <string>
#include <vector>

#include "db_tool/db_folder.h"

namespace tallyhall {

// Problems found (each one line), in the order found.
using Problems = std::vector<std::string>;

// Appends a problem when the file's size is not a whole number of
// `record_size`-byte records, saying how many records the server reads.
void CheckFileSize(const DatabaseFile& file, int record_size,
                   Problems& problems);

// Checks the records of one zone's databases against each other: each
// user's SquadID (0 or a record of the Squad file) and ScoreID (a record of
// the Score file), each squad's owner (0 or a record of the User file), and
// user records whose name (case-insensitive, first 24 bytes) and MacID
// repeat an earlier record's. File sizes are not looked at here.
void CheckZoneRecords(const ZoneFiles& zone, Problems& problems);

}  // namespace tallyhall

#endif  // TALLYHALL_TOOLS_DB_TOOL_DB_CHECK_H_
