// The consistency checks of tallyhall-db check: file sizes that are not whole
// records, SquadIDs, ScoreIDs and squad owners that name no record, and
// records sharing one name and MacID.
#ifndef TALLYHALL_TOOLS_DB_TOOL_DB_CHECK_H_
#define TALLYHALL_TOOLS_DB_TOOL_DB_CHECK_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "db_tool/db_folder.h"

namespace tallyhall {

// The kinds of problem; each kind shows at most Problems::kShownPerKind lines.
enum class ProblemKind {
  kFileSize,
  kSquadId,
  kScoreId,
  kRepeatedIdentity,
  kSquadOwner,
};

// The problems found, each one line, handed to `print` in the order found,
// so that a file with millions of problems never holds them in memory. Past
// kShownPerKind problems of one kind the rest are only counted, and Finish
// prints one line per such kind saying how many were not shown.
class Problems {
 public:
  static constexpr std::int64_t kShownPerKind = 1000;
  using Print = std::function<void(std::string_view line)>;

  explicit Problems(Print print) : print_(std::move(print)) {}

  void Add(ProblemKind kind, std::string_view line);
  // One line for each kind that had problems left out.
  void Finish();
  // Every problem found, shown or not.
  std::int64_t count() const { return count_; }

 private:
  Print print_;
  std::array<std::int64_t, 5> per_kind_{};
  std::int64_t count_ = 0;
};

// Adds a problem when the file's size is not a whole number of
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
