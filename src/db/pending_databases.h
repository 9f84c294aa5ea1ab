// Databases that a zone took with it while its last save had failed: kept
// in memory under their file names until they are written, or until a zone
// that logs in with the same identifier takes them over.
#ifndef TALLYHALL_DB_PENDING_DATABASES_H_
#define TALLYHALL_DB_PENDING_DATABASES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/terminal.h"
#include "db/database_files.h"

namespace tallyhall {

// Owned by the server's state object for the life of the process. Copies
// are kept in groups, one per removed zone: a group is written as one
// change, like the zone's own save was to be. A later copy of the same file
// replaces an earlier one, as a later save would.
class PendingDatabases {
 public:
  // Takes over the databases of `dbs` that `which` names, from the zone
  // `zone_name` with `ids`, as one group; `dbs` is to be dropped then.
  void Keep(std::string_view zone_name, const DatabaseIds& ids,
            ZoneDatabases& dbs, const DatabaseSet& which);

  // Which of the files of `ids` have a pending copy.
  DatabaseSet Held(const DatabaseIds& ids) const;

  // Moves the pending copies of the files of `ids` that `which` names into
  // `dbs` and forgets them. Returns their file names, Score, Squad, User.
  std::vector<std::string> Give(const DatabaseIds& ids,
                                const DatabaseSet& which, ZoneDatabases& dbs);

  // Tries to write each group, oldest first; a group written whole is
  // forgotten, with the line "<zone> Written: ..." of its zone's save, and
  // each failure writes the save's "Could not write" line. Returns true
  // when nothing is left pending.
  bool WriteAll(std::string_view folder, Terminal& terminal,
                const AtomicWriteHooks* hooks);

  bool empty() const { return groups_.empty(); }
  // The file names with a pending copy ("Score.1", "Squad.1", "User.1"),
  // oldest group first.
  std::vector<std::string> FileNames() const;
  // The bytes of the pending copy of `file_name`; null when there is none.
  const std::string* Bytes(std::string_view file_name) const;

 private:
  struct Group {
    std::string zone_name;
    DatabaseIds ids;
    // The counts of the zone's three databases when it left, for the
    // "Written:" line.
    std::int32_t counts[3] = {0, 0, 0};
    std::optional<ScoreDatabase> scores;
    std::optional<SquadDatabase> squads;
    std::optional<UserDatabase> users;

    bool empty() const { return !scores && !squads && !users; }
  };

  // Forgets the copies of the files of `ids` that `which` names.
  void Forget(const DatabaseIds& ids, const DatabaseSet& which);
  // Writes one group as one change; true when it was written whole.
  static bool WriteGroup(std::string_view folder, Group& group,
                         Terminal& terminal, const AtomicWriteHooks* hooks);

  std::vector<Group> groups_;  // oldest first; none is empty
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_PENDING_DATABASES_H_
