// Player logoff with usage, scores and the score swap on exit; data block and
// score update. None of these messages is answered.
#include "players/player_reports.h"

#include <limits>

#include "base/failure.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "db/user_db.h"

namespace tallyhall {
namespace {

// The index of the player named by the PlayerID at offset 1; 0 when none.
std::int32_t FindReportingPlayer(const ZoneEntry& zone,
                                 std::string_view message) {
  return FindPlayerByID(zone,
                        BytesToInt32(FieldAt(message, kReportPlayerId, 4)));
}

std::int32_t ScoreIdOf(const UserDatabase& users, std::int32_t user_id) {
  return BytesToInt32(users.GetUserField(user_id, UserField::kScoreID));
}

// Adds the signed 16-bit usage value to the record's UsageTotal. A sum
// outside the 32-bit range fails with Overflow and changes nothing.
void AddUsage(UserDatabase& users, std::int32_t user_id,
              std::string_view usage) {
  const std::int64_t total =
      static_cast<std::int64_t>(
          BytesToInt32(users.GetUserField(user_id, UserField::kUsageTotal))) +
      BytesToInt16(usage);
  if (total < std::numeric_limits<std::int32_t>::min() ||
      total > std::numeric_limits<std::int32_t>::max()) {
    Fail(FailureKind::kOverflow);
  }
  users.SetUserField(user_id, UserField::kUsageTotal,
                     Int32ToBytes(static_cast<std::int32_t>(total)));
}

}  // namespace

std::int32_t FindSwapRecord(const UserDatabase& users, std::int32_t mac,
                            std::string_view swap_name) {
  return users.FindUserByTrimmedName(swap_name, Int32ToBytes(mac));
}

void HandlePlayerLogoff(ServerCore& core, std::int32_t zone_id,
                        std::string_view message) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindReportingPlayer(zone, message);
  if (index == 0) return;
  ++core.counters().logoffs;
  // Nothing changes the player list before RemovePlayer below.
  const ZonePlayer& player = zone.Player(index);
  UserDatabase& users = zone.databases.users;
  ScoreDatabase& scores = zone.databases.scores;
  Terminal& terminal = core.terminal();

  core.WriteLogLine(zone.LogPrefix() + ") " + player.PlayerName +
                    " logging off");
  RunStep(terminal, [&] {
    AddUsage(users, player.UserID, FieldAt(message, kLogoffUsage, 2));
  });

  // A score block cut short by the end of the message is not stored.
  const std::string_view reported =
      FieldAt(message, kLogoffScore, kScoreRecordSize);
  const bool has_scores = reported.size() == kScoreRecordSize;
  if (has_scores) {
    RunStep(terminal, [&] {
      scores.PutScoreRecord(ScoreIdOf(users, player.UserID), reported);
      core.WriteLogLine("Score data updated to Score Database");
    });
  }

  // The current name takes the other name's stored score; the other name
  // receives the score just reported, when there is one.
  if (!player.SwapName.empty()) {
    RunStep(terminal, [&] {
      const std::int32_t other_user =
          FindSwapRecord(users, player.MacID, player.SwapName);
      if (other_user == 0) return;
      const std::int32_t own = ScoreIdOf(users, player.UserID);
      const std::int32_t other = ScoreIdOf(users, other_user);
      RunStep(terminal, [&] {
        scores.PutScoreRecord(own, scores.GetScoreRecord(other));
      });
      if (has_scores) {
        RunStep(terminal, [&] { scores.PutScoreRecord(other, reported); });
      }
      core.WriteLogLine(player.PlayerName + " Swapped Score with " +
                        player.SwapName);
    });
  }

  // A greeting still queued would reach the next player with his PlayerID.
  core.ForgetPlayer(zone, player);
  RemovePlayer(zone, index);
}

void HandleDataBlock(ServerCore& core, std::int32_t zone_id,
                     std::string_view message) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindReportingPlayer(zone, message);
  if (index == 0) return;
  const std::string_view block = FieldAt(message, kReportBlock, kDataBlockSize);
  if (block.size() != kDataBlockSize) return;
  zone.databases.users.SetUserField(zone.Player(index).UserID,
                                    UserField::kDataBlock, block);
}

void HandleScoreUpdate(ServerCore& core, std::int32_t zone_id,
                       std::string_view message) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindReportingPlayer(zone, message);
  if (index == 0) return;
  const std::string_view block =
      FieldAt(message, kReportBlock, kScoreRecordSize);
  if (block.size() != kScoreRecordSize) return;
  UserDatabase& users = zone.databases.users;
  zone.databases.scores.PutScoreRecord(
      ScoreIdOf(users, zone.Player(index).UserID), block);
}

}  // namespace tallyhall
