// Pending databases: kept, handed back and written again.
#include "db/pending_databases.h"

#include <algorithm>
#include <utility>

#include "db/encoding.h"

namespace tallyhall {
namespace {

std::string UserFileName(const DatabaseIds& ids) {
  return "User." + DecimalText(ids.server_id);
}
std::string SquadFileName(const DatabaseIds& ids) {
  return "Squad." + DecimalText(ids.group_id);
}
std::string ScoreFileName(const DatabaseIds& ids) {
  return "Score." + DecimalText(ids.score_id);
}

}  // namespace

void PendingDatabases::Keep(std::string_view zone_name, const DatabaseIds& ids,
                            ZoneDatabases& dbs, const DatabaseSet& which) {
  if (!which.any()) return;
  Forget(ids, which);
  Group group{.zone_name = std::string(zone_name),
              .ids = ids,
              .counts = {dbs.users.UserCount(), dbs.squads.SquadCount(),
                         dbs.scores.ScoreCount()}};
  if (which.scores) group.scores = std::move(dbs.scores);
  if (which.squads) group.squads = std::move(dbs.squads);
  if (which.users) group.users = std::move(dbs.users);
  groups_.push_back(std::move(group));
}

DatabaseSet PendingDatabases::Held(const DatabaseIds& ids) const {
  DatabaseSet held;
  for (const Group& g : groups_) {
    held.users = held.users || (g.users && g.ids.server_id == ids.server_id);
    held.squads = held.squads || (g.squads && g.ids.group_id == ids.group_id);
    held.scores = held.scores || (g.scores && g.ids.score_id == ids.score_id);
  }
  return held;
}

std::vector<std::string> PendingDatabases::Give(const DatabaseIds& ids,
                                                const DatabaseSet& which,
                                                ZoneDatabases& dbs) {
  std::vector<std::string> given;
  for (Group& g : groups_) {
    if (which.scores && g.scores && g.ids.score_id == ids.score_id) {
      dbs.scores = std::move(*g.scores);
      g.scores.reset();
      given.push_back(ScoreFileName(ids));
    }
    if (which.squads && g.squads && g.ids.group_id == ids.group_id) {
      dbs.squads = std::move(*g.squads);
      g.squads.reset();
      given.push_back(SquadFileName(ids));
    }
    if (which.users && g.users && g.ids.server_id == ids.server_id) {
      dbs.users = std::move(*g.users);
      g.users.reset();
      given.push_back(UserFileName(ids));
    }
  }
  std::erase_if(groups_, [](const Group& g) { return g.empty(); });
  return given;
}

void PendingDatabases::Forget(const DatabaseIds& ids,
                              const DatabaseSet& which) {
  ZoneDatabases dropped;
  Give(ids, which, dropped);
}

bool PendingDatabases::WriteAll(std::string_view folder, Terminal& terminal,
                                const AtomicWriteHooks* hooks) {
  for (Group& group : groups_) WriteGroup(folder, group, terminal, hooks);
  std::erase_if(groups_, [](const Group& g) { return g.empty(); });
  return groups_.empty();
}

bool PendingDatabases::WriteGroup(std::string_view folder, Group& group,
                                  Terminal& terminal,
                                  const AtomicWriteHooks* hooks) {
  const DatabasePaths paths = PathsOf(folder, group.ids);
  std::vector<FileReplacement> files;
  if (group.scores) files.push_back({paths.score, group.scores->bytes()});
  if (group.squads) files.push_back({paths.squad, group.squads->bytes()});
  if (group.users) files.push_back({paths.user, group.users->bytes()});
  const bool whole =
      ReplaceTogether(files, group.zone_name, terminal, hooks).ok();
  for (const FileReplacement& file : files) {
    if (!file.replaced) continue;
    if (file.path == paths.score) group.scores.reset();
    if (file.path == paths.squad) group.squads.reset();
    if (file.path == paths.user) group.users.reset();
  }
  if (whole) {
    terminal.WriteLogLine(
        group.zone_name + " Written: " +
        CountsText(group.counts[0], group.counts[1], group.counts[2]));
  }
  return whole;
}

std::vector<std::string> PendingDatabases::FileNames() const {
  std::vector<std::string> names;
  for (const Group& g : groups_) {
    if (g.scores) names.push_back(ScoreFileName(g.ids));
    if (g.squads) names.push_back(SquadFileName(g.ids));
    if (g.users) names.push_back(UserFileName(g.ids));
  }
  return names;
}

const std::string* PendingDatabases::Bytes(std::string_view file_name) const {
  for (const Group& g : groups_) {
    if (g.scores && ScoreFileName(g.ids) == file_name) {
      return &g.scores->bytes();
    }
    if (g.squads && SquadFileName(g.ids) == file_name) {
      return &g.squads->bytes();
    }
    if (g.users && UserFileName(g.ids) == file_name) return &g.users->bytes();
  }
  return nullptr;
}

}  // namespace tallyhall
