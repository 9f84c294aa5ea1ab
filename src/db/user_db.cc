// The User Database: 156-byte records in a RecordStore indexed by identity
// (lower-cased padded name + MacID), which answers FindUser, and beside it
// the list of tailed names that FindUserByTrimmedName also reads.
#include "db/user_db.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "db/encoding.h"

namespace tallyhall {

namespace {

constexpr std::size_t kRecordSize = kUserRecordSize;
constexpr std::size_t kNameSize = 24;
constexpr std::size_t kIpOffset = 140;
constexpr std::size_t kMacOffset = 144;
constexpr std::size_t kMacSize = 4;

std::size_t Offset(std::int32_t id) {
  return static_cast<std::size_t>(id - 1) * kRecordSize;
}

// Whether a name field holds anything but NUL behind its first NUL.
bool HasTail(std::string_view name_field) {
  const std::size_t nul = name_field.find('\0');
  return nul != std::string_view::npos &&
         name_field.find_first_not_of('\0', nul) != std::string_view::npos;
}

}  // namespace

int UserFieldWidth(UserField field) {
  switch (field) {
    case UserField::kName:
      return 24;
    case UserField::kSquadID:
    case UserField::kScoreID:
      return 4;
    case UserField::kDataBlock:
      return kDataBlockSize;
    case UserField::kCreated:
      return 12;
    case UserField::kIP:
    case UserField::kMacID:
    case UserField::kLastDatePlayed:
    case UserField::kUsageTotal:
      return 4;
  }
  return 0;
}

std::string UserDatabase::GetUserRecord(std::int32_t id) const {
  return std::string(store_.Record(id));
}

void UserDatabase::PutUserRecord(std::int32_t id, std::string_view record) {
  if (!store_.Contains(id)) return;
  WriteInRecord(id, 0, PadField(record, kRecordSize));
}

std::string UserDatabase::GetUserField(std::int32_t id, UserField field) const {
  int width = UserFieldWidth(field);
  if (width == 0) return std::string();
  return std::string(store_.Field(id, static_cast<std::size_t>(field),
                                  static_cast<std::size_t>(width)));
}

void UserDatabase::SetUserField(std::int32_t id, UserField field,
                                std::string_view value) {
  int width = UserFieldWidth(field);
  if (!store_.Contains(id) || width == 0) return;
  // Every value is fitted to its field, so that a value of another width
  // cannot shift the records behind it.
  WriteInRecord(id, static_cast<std::size_t>(field),
                PadField(value, static_cast<std::size_t>(width)));
}

std::int32_t UserDatabase::FindUser(std::string_view name,
                                    std::string_view mac) const {
  // A record's MacID is 4 bytes: a MacID of another length matches none.
  if (mac.size() != kMacSize) return 0;
  return store_.Find(name, mac);
}

std::int32_t UserDatabase::FindUserByTrimmedName(std::string_view name,
                                                 std::string_view mac) const {
  if (mac.size() != kMacSize || name.size() > kNameSize ||
      name.find('\0') != std::string_view::npos) {
    return 0;
  }
  // The index finds the first record whose whole field is the name; only a
  // listed tailed name before it can come first.
  const std::int32_t first = FindUser(name, mac);
  for (std::int32_t id : tailed_names_) {
    if (first != 0 && id >= first) break;
    const std::string_view record = store_.Record(id);
    if (record.substr(kMacOffset, kMacSize) == mac &&
        EqualsIgnoringCase(TrimAtNul(record.substr(0, kNameSize)), name)) {
      return id;
    }
  }
  return first;
}

std::int32_t UserDatabase::AddUser(ScoreDatabase& scores, std::string_view name,
                                   std::string_view ip, std::string_view mac,
                                   const LocalTime& now) {
  store_.CheckRoomForOne();  // before the score record is added
  std::string record = PadField(name, kNameSize);
  const bool tailed = HasTail(record);
  if (tailed) tailed_names_.reserve(tailed_names_.size() + 1);
  std::int32_t score_id = scores.AddScoreRecord();
  record.append(4, '\0');  // SquadID: no squad.
  record += Int32ToBytes(score_id);
  record.append(kDataBlockSize, '\0');
  record += PackDateTime(now);
  record += PadField(ip, 4);
  record += PadField(mac, kMacSize);
  record += PackDate(now);
  record.append(4, '\0');  // UsageTotal.
  const std::int32_t id = store_.Append(record);
  if (tailed) tailed_names_.push_back(id);  // room was reserved
  return id;
}

std::string UserDatabase::ListNamesByMacID(std::int32_t mac) const {
  std::string text;
  for (std::int32_t id = 1; id <= store_.count(); ++id) {
    const std::string_view record = store_.Record(id);
    if (BytesToInt32(record.substr(kMacOffset, kMacSize)) != mac) continue;
    text += TrimAtNul(record.substr(0, kNameSize));
    text += ", ";
  }
  if (!text.empty()) text.resize(text.size() - 2);
  return text;
}

std::string UserDatabase::ListAliasGroups() const {
  AliasGroups groups = StartAliasGroups();
  while (!groups.Step(std::numeric_limits<std::size_t>::max())) {
  }
  return groups.text();
}

AliasGroups UserDatabase::StartAliasGroups() const {
  return AliasGroups(bytes(), store_.count(), kRecordSize, kIpOffset,
                     kMacOffset);
}

void UserDatabase::RemoveUser(std::int32_t id) {
  if (!store_.Remove(id)) return;
  // Every later UserID moves down by one.
  std::erase(tailed_names_, id);
  for (std::int32_t& later : tailed_names_) {
    if (later > id) --later;
  }
}

void UserDatabase::Assign(std::string bytes, std::int32_t count) {
  if (count < 0) count = 0;
  // Fitted as the store will fit it, so that the tailed names are read
  // from what it will hold; both are ready before anything changes.
  bytes.resize(static_cast<std::size_t>(count) * kRecordSize, '\0');
  std::vector<std::int32_t> tailed;
  for (std::int32_t id = 1; id <= count; ++id) {
    if (HasTail(std::string_view(bytes).substr(Offset(id), kNameSize))) {
      tailed.push_back(id);
    }
  }
  store_.Assign(std::move(bytes), count);
  tailed_names_ = std::move(tailed);
}

void UserDatabase::WriteInRecord(std::int32_t id, std::size_t offset,
                                 std::string_view value) {
  const bool name = offset < kNameSize;
  if (name) tailed_names_.reserve(tailed_names_.size() + 1);
  store_.Write(id, offset, value);
  if (name) NoteNameTail(id);
}

void UserDatabase::NoteNameTail(std::int32_t id) {
  const auto at =
      std::lower_bound(tailed_names_.begin(), tailed_names_.end(), id);
  const bool listed = at != tailed_names_.end() && *at == id;
  const bool tailed = HasTail(store_.Field(id, 0, kNameSize));
  if (tailed && !listed) {
    tailed_names_.insert(at, id);
  } else if (!tailed && listed) {
    tailed_names_.erase(at);
  }
}

}  // namespace tallyhall
