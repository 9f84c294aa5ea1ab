// What the packet fuzzer checks after every input: databases of whole
// records whose SquadIDs, ScoreIDs and squad owners name records that exist
// (or nobody), database files of whole records that agree with each other,
// and no failed save lost.
//
// Files shared between identifier triples (a zone that logs in with
// User.1 but another Squad file than the zone before it) hold records
// that name another zone's records, whatever the server does; the checks
// across records leave such triples out for the rest of the input.
#ifndef TALLYHALL_TESTS_FUZZ_FUZZ_INVARIANTS_H_
#define TALLYHALL_TESTS_FUZZ_FUZZ_INVARIANTS_H_

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "db/database_files.h"
#include "fuzz/file_faults.h"
#include "zones/zone_table.h"

namespace tallyhall {

// The file names (no folder) of a triple: User, Squad, Score.
std::array<std::string, 3> DatabaseFileNames(const DatabaseIds& ids);

// Which identifier triple each database file belongs to during an input.
class FileUse {
 public:
  // The starting files belong to the triples of `starting`.
  explicit FileUse(std::vector<DatabaseIds> starting);

  // Back to the starting files, for a new input.
  void Reset();
  // Notes the files of every zone in the table. A file used by two triples,
  // or by two zones at once, mixes the triples that used it.
  void Observe(const ZoneTable& zones);
  bool Mixed(const DatabaseIds& ids) const;
  // Every triple that owns files in this input.
  std::vector<DatabaseIds> Triples() const;

 private:
  using Key = std::tuple<std::int32_t, std::int32_t, std::int32_t>;
  void Use(const std::string& file, const Key& key, std::uint64_t serial);

  std::vector<DatabaseIds> starting_;
  std::map<std::string, Key> owner_;
  std::map<std::string, std::uint64_t> user_now_;  // zone serial, this event
  std::set<Key> mixed_;
};

// The first broken rule of a zone's databases in memory, or "": whole
// records; when `cross_checks`, every SquadID and ScoreID of a user in
// range or 0 and every squad owner at most the user count (below 1: nobody
// owns the squad).
std::string ZoneDatabasesFault(const ZoneDatabases& dbs, bool cross_checks);

// The first broken rule of the files of `ids` in `folder`, or "": the
// databases they hold agree as ZoneDatabasesFault asks, so that no User
// file is newer than its Score and Squad files, nor a Squad file newer than
// its User file.
std::string FilesFault(const std::string& folder, const DatabaseIds& ids);

// The first database file replaced since the input began that holds a partial
// record, or "".
std::string PartialFileFault(const std::string& folder,
                             const std::set<std::string>& replaced);

// The first failed write of a database file whose bytes are gone, or "":
// no zone in the table uses the file, it is not pending, and the file was
// neither written with them nor replaced by a later save since.
std::string LostSaveFault(
    const std::string& folder, const ZoneTable& zones,
    const std::map<std::string, FileFaults::FailedWrite>& failed,
    const std::map<std::string, std::string>& pending);

// For a zone that has just logged in, the first of its files whose failed
// write it did not get back, or "": when the file still holds what it held
// at the failure, the zone's database must hold the bytes that failed.
std::string LoadedLostFault(
    const std::string& folder, const ZoneEntry& zone,
    const std::map<std::string, FileFaults::FailedWrite>& failed);

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_FUZZ_FUZZ_INVARIANTS_H_
