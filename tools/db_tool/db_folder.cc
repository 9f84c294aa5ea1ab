// Finding and reading database files for tallyhall-db. Files are opened for
// reading only; the records are read by the server's own code.
#include "db_tool/db_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>

#include "base/file_io.h"
#include "db/encoding.h"

namespace tallyhall {

namespace {

// Reads one file into `file`; returns its bytes and count through the
// out-parameters.
Status ReadOne(const std::string& path, int record_size, bool missing_is_empty,
               DatabaseFile& file, std::string& bytes, std::int32_t& count) {
  file.name = path.substr(path.rfind('/') + 1);
  file.exists = false;
  file.length = 0;
  bytes.clear();
  count = 0;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
    return missing_is_empty ? Status::Ok() : FileError(path, ENOENT);
  }
  file.exists = true;
  return ReadDatabaseFileOnly(path, record_size, bytes, count, file.length);
}

}  // namespace

Status ReadZoneFiles(const std::string& folder, const DatabaseIds& ids,
                     bool missing_is_empty, ZoneFiles& zone) {
  zone.ids = ids;
  const DatabasePaths paths = PathsOf(folder, ids);
  std::string bytes;
  std::int32_t count = 0;
  Status status = ReadOne(paths.user, kUserRecordSize, missing_is_empty,
                          zone.user, bytes, count);
  if (!status.ok()) return status;
  zone.dbs.users.Assign(std::move(bytes), count);
  status = ReadOne(paths.squad, kSquadRecordSize, missing_is_empty, zone.squad,
                   bytes, count);
  if (!status.ok()) return status;
  zone.dbs.squads.Assign(std::move(bytes), count);
  status = ReadOne(paths.score, kScoreRecordSize, missing_is_empty, zone.score,
                   bytes, count);
  if (!status.ok()) return status;
  zone.dbs.scores.Assign(std::move(bytes), count);
  return Status::Ok();
}

std::optional<std::int32_t> IdFromText(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  // Only the server's own spelling names the file it would open.
  if (DecimalText(value) != text) return std::nullopt;
  return value;
}

Status ScanFolder(const std::string& folder, FolderIds& ids) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return FileError(folder, errno);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos) continue;
    const std::optional<std::int32_t> id = IdFromText(name.substr(dot + 1));
    if (!id) continue;
    const std::string_view kind = name.substr(0, dot);
    if (kind == "User") ids.users.insert(*id);
    if (kind == "Squad") ids.squads.insert(*id);
    if (kind == "Score") ids.scores.insert(*id);
  }
  ::closedir(dir);
  return Status::Ok();
}

std::optional<UserFilePath> SplitUserFilePath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name =
      slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (!name.starts_with("User.")) return std::nullopt;
  const std::optional<std::int32_t> id = IdFromText(name.substr(5));
  if (!id) return std::nullopt;
  std::string folder = slash == std::string_view::npos
                           ? "."
                           : std::string(path.substr(0, slash));
  if (folder.empty()) folder = "/";
  return UserFilePath{.folder = std::move(folder), .server_id = *id};
}

}  // namespace tallyhall
