// The packet fuzzer's checks after every input.
#include "fuzz/fuzz_invariants.h"

#include <utility>

#include "base/file_io.h"
#include "db/score_db.h"
#include "db/squad_db.h"
#include "db/user_db.h"

namespace tallyhall {
namespace {

constexpr std::size_t kSquadIdOffset = 24;
constexpr std::size_t kScoreIdOffset = 28;
constexpr std::size_t kOwnerOffset = 48;

// The little-endian 32-bit field at `offset`, which the caller keeps
// inside `bytes` (read here rather than with BytesToInt32 to keep the
// check cheap beside the input).
std::int32_t FieldAt(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t k = 4; k-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[offset + k]);
  }
  return static_cast<std::int32_t>(value);
}

// The record rules over plain bytes, as the databases and their files
// hold them.
std::string RecordsFault(const std::string& users, const std::string& squads,
                         const std::string& scores, bool cross_checks) {
  if (users.size() % kUserRecordSize != 0) return "partial User record";
  if (squads.size() % kSquadRecordSize != 0) return "partial Squad record";
  if (scores.size() % kScoreRecordSize != 0) return "partial Score record";
  if (!cross_checks) return "";
  const auto user_count =
      static_cast<std::int32_t>(users.size() / kUserRecordSize);
  const auto squad_count =
      static_cast<std::int32_t>(squads.size() / kSquadRecordSize);
  const auto score_count =
      static_cast<std::int32_t>(scores.size() / kScoreRecordSize);
  for (std::size_t at = 0; at < users.size(); at += kUserRecordSize) {
    const std::int32_t squad = FieldAt(users, at + kSquadIdOffset);
    if (squad < 0 || squad > squad_count) return "SquadID out of range";
    const std::int32_t score = FieldAt(users, at + kScoreIdOffset);
    if (score < 0 || score > score_count) return "ScoreID out of range";
  }
  for (std::size_t at = 0; at < squads.size(); at += kSquadRecordSize) {
    if (FieldAt(squads, at + kOwnerOffset) > user_count) {
      return "squad Owner out of range";
    }
  }
  return "";
}

// The record size of a database file's name; 0 for other files.
int RecordSizeOf(std::string_view name) {
  return name.starts_with("User.")    ? kUserRecordSize
         : name.starts_with("Squad.") ? kSquadRecordSize
         : name.starts_with("Score.") ? kScoreRecordSize
                                      : 0;
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  (void)ReadWholeFile(path, bytes);  // missing or unreadable: empty
  return bytes;
}

}  // namespace

std::array<std::string, 3> DatabaseFileNames(const DatabaseIds& ids) {
  return {"User." + std::to_string(ids.server_id),
          "Squad." + std::to_string(ids.group_id),
          "Score." + std::to_string(ids.score_id)};
}

FileUse::FileUse(std::vector<DatabaseIds> starting)
    : starting_(std::move(starting)) {
  Reset();
}

void FileUse::Reset() {
  owner_.clear();
  mixed_.clear();
  for (const DatabaseIds& ids : starting_) {
    const Key key{ids.server_id, ids.group_id, ids.score_id};
    for (const std::string& file : DatabaseFileNames(ids)) owner_[file] = key;
  }
}

void FileUse::Use(const std::string& file, const Key& key,
                  std::uint64_t serial) {
  auto [owner, added] = owner_.try_emplace(file, key);
  if (!added && owner->second != key) {
    mixed_.insert(owner->second);
    mixed_.insert(key);
  }
  auto [user, first] = user_now_.try_emplace(file, serial);
  if (!first && user->second != serial) mixed_.insert(key);
}

void FileUse::Observe(const ZoneTable& zones) {
  user_now_.clear();
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    const ZoneEntry& zone = zones.Zone(id);
    const DatabaseIds ids = zone.Ids();
    const Key key{ids.server_id, ids.group_id, ids.score_id};
    for (const std::string& file : DatabaseFileNames(ids)) {
      Use(file, key, zone.serial);
    }
  }
}

bool FileUse::Mixed(const DatabaseIds& ids) const {
  return mixed_.contains(Key{ids.server_id, ids.group_id, ids.score_id});
}

std::vector<DatabaseIds> FileUse::Triples() const {
  std::set<Key> keys;
  for (const auto& [file, key] : owner_) keys.insert(key);
  std::vector<DatabaseIds> triples;
  for (const auto& [user, squad, score] : keys) {
    triples.push_back({user, squad, score});
  }
  return triples;
}

std::string ZoneDatabasesFault(const ZoneDatabases& dbs, bool cross_checks) {
  if (dbs.users.bytes().size() !=
          static_cast<std::size_t>(dbs.users.UserCount()) * kUserRecordSize ||
      dbs.squads.bytes().size() !=
          static_cast<std::size_t>(dbs.squads.SquadCount()) *
              kSquadRecordSize ||
      dbs.scores.bytes().size() !=
          static_cast<std::size_t>(dbs.scores.ScoreCount()) *
              kScoreRecordSize) {
    return "a database's count disagrees with its bytes";
  }
  return RecordsFault(dbs.users.bytes(), dbs.squads.bytes(), dbs.scores.bytes(),
                      cross_checks);
}

std::string FilesFault(const std::string& folder, const DatabaseIds& ids) {
  const DatabasePaths paths = PathsOf(folder, ids);
  const std::string fault =
      RecordsFault(FileBytes(paths.user), FileBytes(paths.squad),
                   FileBytes(paths.score), /*cross_checks=*/true);
  return fault.empty() ? "" : paths.user + " and its files: " + fault;
}

std::string PartialFileFault(const std::string& folder,
                             const std::set<std::string>& replaced) {
  for (const std::string& name : replaced) {
    const int size = RecordSizeOf(name);
    if (size == 0) continue;
    const std::optional<FileFacts> facts = FactsOf(JoinPath(folder, name));
    if (facts && facts->size % static_cast<std::uint64_t>(size) != 0) {
      return name + " holds a partial record";
    }
  }
  return "";
}

std::string LostSaveFault(
    const std::string& folder, const ZoneTable& zones,
    const std::map<std::string, FileFaults::FailedWrite>& failed,
    const std::map<std::string, std::string>& pending) {
  std::set<std::string> in_use;
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    for (std::string& file : DatabaseFileNames(zones.Zone(id).Ids())) {
      in_use.insert(std::move(file));
    }
  }
  for (const auto& [name, write] : failed) {
    // A settings write that fails is answered at once, never kept.
    if (RecordSizeOf(name) == 0) continue;
    if (in_use.contains(name) || pending.contains(name)) continue;
    const std::string now = FileBytes(JoinPath(folder, name));
    if (now == write.bytes || now != write.file_before) continue;
    return name + ": a save that failed was lost";
  }
  return "";
}

std::string LoadedLostFault(
    const std::string& folder, const ZoneEntry& zone,
    const std::map<std::string, FileFaults::FailedWrite>& failed) {
  const ZoneDatabases& dbs = zone.databases;
  const std::array<std::string, 3> names = DatabaseFileNames(zone.Ids());
  const std::array<const std::string*, 3> loaded = {
      &dbs.users.bytes(), &dbs.squads.bytes(), &dbs.scores.bytes()};
  for (std::size_t k = 0; k < names.size(); ++k) {
    const auto write = failed.find(names[k]);
    if (write == failed.end()) continue;
    if (FileBytes(JoinPath(folder, names[k])) != write->second.file_before) {
      continue;  // written since, or replaced by a later save
    }
    if (*loaded[k] != write->second.bytes) {
      return names[k] + ": a zone logged in without what its failed save held";
    }
  }
  return "";
}

}  // namespace tallyhall
