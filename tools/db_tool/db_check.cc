// The record checks of tallyhall-db. Records are read with the databases'
// named operations; duplicates are found through FindUser's index.
#include "db_tool/db_check.h"

#include "base/terminal.h"
#include "db/encoding.h"

namespace tallyhall {

namespace {

std::string Plural(std::int64_t count, std::string_view word) {
  return DecimalText(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

// "User.1 UserID 3 (Ann)": a record and its name, control bytes escaped.
std::string RecordLabel(const DatabaseFile& file, std::string_view id_name,
                        std::int32_t id, std::string_view name) {
  return file.name + " " + std::string(id_name) + " " + DecimalText(id) + " (" +
         EscapeControlBytes(TrimAtNul(name)) + ")";
}

std::string NamesNoRecord(const DatabaseFile& file, std::int32_t count) {
  return " names no record of " + file.name + " (" + Plural(count, "record") +
         ")";
}

void CheckUsers(const ZoneFiles& zone, Problems& problems) {
  const UserDatabase& users = zone.dbs.users;
  const std::int32_t squads = zone.dbs.squads.SquadCount();
  const std::int32_t scores = zone.dbs.scores.ScoreCount();
  for (std::int32_t id = 1; id <= users.UserCount(); ++id) {
    const std::string name = users.GetUserField(id, UserField::kName);
    const std::string label = RecordLabel(zone.user, "UserID", id, name);
    const std::int32_t squad =
        BytesToInt32(users.GetUserField(id, UserField::kSquadID));
    if (squad < 0 || squad > squads) {
      problems.Add(ProblemKind::kSquadId,
                   label + ": SquadID " + DecimalText(squad) +
                       NamesNoRecord(zone.squad, squads));
    }
    const std::int32_t score =
        BytesToInt32(users.GetUserField(id, UserField::kScoreID));
    if (score < 1 || score > scores) {
      problems.Add(ProblemKind::kScoreId,
                   label + ": ScoreID " + DecimalText(score) +
                       NamesNoRecord(zone.score, scores));
    }
    const std::int32_t first =
        users.FindUser(name, users.GetUserField(id, UserField::kMacID));
    if (first != id) {
      problems.Add(
          ProblemKind::kRepeatedIdentity,
          label + ": same name and MacID as UserID " + DecimalText(first));
    }
  }
}

void CheckSquadOwners(const ZoneFiles& zone, Problems& problems) {
  const SquadDatabase& squads = zone.dbs.squads;
  const std::int32_t users = zone.dbs.users.UserCount();
  for (std::int32_t id = 1; id <= squads.SquadCount(); ++id) {
    const std::int32_t owner =
        BytesToInt32(squads.GetSquadField(id, SquadField::kOwner));
    if (owner >= 0 && owner <= users) continue;
    problems.Add(ProblemKind::kSquadOwner,
                 RecordLabel(zone.squad, "SquadID", id,
                             squads.GetSquadField(id, SquadField::kName)) +
                     ": owner UserID " + DecimalText(owner) +
                     NamesNoRecord(zone.user, users));
  }
}

}  // namespace

void Problems::Add(ProblemKind kind, std::string_view line) {
  ++count_;
  if (++per_kind_[static_cast<std::size_t>(kind)] <= kShownPerKind) {
    print_(line);
  }
}

void Problems::Finish() {
  static constexpr std::string_view kKinds[] = {
      "file sizes that are not whole records",
      "SquadIDs that name no record",
      "ScoreIDs that name no record",
      "records that repeat a name and MacID",
      "squad owners that name no record",
  };
  for (std::size_t kind = 0; kind < per_kind_.size(); ++kind) {
    if (per_kind_[kind] <= kShownPerKind) continue;
    print_("(" + DecimalText(per_kind_[kind] - kShownPerKind) + " more " +
           std::string(kKinds[kind]) + " not shown)");
  }
}

void CheckFileSize(const DatabaseFile& file, int record_size,
                   Problems& problems) {
  const auto size = static_cast<std::uint64_t>(record_size);
  if (file.length % size == 0) return;
  const auto over = static_cast<std::int64_t>(file.length % size);
  const auto read = static_cast<std::int64_t>(RecordCount(file.length, size));
  problems.Add(ProblemKind::kFileSize,
               file.name + ": " +
                   Plural(static_cast<std::int64_t>(file.length), "byte") +
                   " is not a whole number of " + DecimalText(record_size) +
                   "-byte records (" + Plural(over, "byte") +
                   " over; the server reads " + Plural(read, "record") + ")");
}

void CheckZoneRecords(const ZoneFiles& zone, Problems& problems) {
  CheckUsers(zone, problems);
  CheckSquadOwners(zone, problems);
}

}  // namespace tallyhall
