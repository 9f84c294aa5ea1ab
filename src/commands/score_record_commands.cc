// Record administration in the caller's zone: adding a User Database record
// by hand, overwriting a record's scores, and deleting a record with its
// score record, renumbering the players present, the score references and
// the squad owners. Each change writes one terminal line.
#include "commands/score_record_commands.h"

#include <array>
#include <limits>
#include <string>

#include "base/failure.h"
#include "base/numbers.h"
#include "commands/command_context.h"
#include "commands/score_table.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"

namespace tallyhall {
namespace {

constexpr std::string_view kScoreAddFormat =
    "Format: ?scoreadd (ip):(macid):(name)";
constexpr std::string_view kScoreEditFormat =
    "Format: ?scoreedit (UserID) (Win) (Loss) (Ratio) (KillPoints) "
    "(FlagPoints)";
constexpr std::string_view kAccountOpSuffix = " (Biller AccountOp)";

// ?scoreedit reads six numbers separated by single blanks.
constexpr std::size_t kEditBlanks = 5;

// Replies "UserID is out of bounds" and returns false when `user_id` is not
// in 1..UserCount.
bool UserIdInBoundsOrReply(CommandContext& ctx, std::int32_t user_id) {
  if (user_id >= 1 && user_id <= ctx.zone.databases.users.UserCount()) {
    return true;
  }
  ctx.Reply("UserID is out of bounds");
  return false;
}

std::int32_t ScoreIdOf(const UserDatabase& users, std::int32_t user_id) {
  return BytesToInt32(users.GetUserField(user_id, UserField::kScoreID));
}

// The zone log prefix + ") " + `what` + " by " + the caller's name.
void WriteAdminLine(CommandContext& ctx, std::string_view what,
                    std::string_view suffix = "") {
  ctx.core.WriteLogLine(ctx.zone.LogPrefix() + ") " + std::string(what) +
                        " by " + ctx.player.PlayerName + std::string(suffix));
}

// One ?scoreedit value: the whole text a number, rounded half to even,
// within [low, high]. Anything else fails by the failure rule (not a number:
// "Invalid procedure call or argument 5", out of range: "Overflow 6") and
// reads as 0.
std::int32_t EditValue(CommandContext& ctx, std::string_view text,
                       std::int32_t low, std::int32_t high) {
  std::int32_t value = 0;
  RunStep(ctx.core.terminal(), [&] {
    if (!IsNumeric(text)) Fail(FailureKind::kInvalidCall);
    const double rounded = RoundHalfEven(LeadingNumber(text));
    if (!(rounded >= low && rounded <= high)) Fail(FailureKind::kOverflow);
    value = static_cast<std::int32_t>(rounded);
  });
  return value;
}

// The 14-byte score record of the five ?scoreedit value texts.
std::string EditedScoreRecord(CommandContext& ctx,
                              const std::array<std::string_view, 5>& texts) {
  constexpr std::int32_t kMin16 = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t kMax16 = std::numeric_limits<std::int16_t>::max();
  constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
  std::string record;
  for (std::size_t i = 0; i < 3; ++i) {
    record += Int16ToBytes(
        static_cast<std::int16_t>(EditValue(ctx, texts[i], kMin16, kMax16)));
  }
  record += Int32ToBytes(EditValue(ctx, texts[3], kMin32, kMax32));
  record += Int32ToBytes(EditValue(ctx, texts[4], kMin32, kMax32));
  return record;
}

// Replies UserID + ". " + name + " Must log off first." and returns true
// when a player present in the caller's zone uses record `user_id`.
bool RecordInUseOrReply(CommandContext& ctx, std::int32_t user_id) {
  for (const ZonePlayer& player : ctx.zone.Players) {
    if (player.UserID != user_id) continue;
    ctx.Reply(DecimalText(user_id) + ". " +
              UserName(ctx.zone.databases, user_id) + " Must log off first.");
    return true;
  }
  return false;
}

// Players present keep pointing at their own records; the player of the
// deleted record gets UserID 0 and the notice.
void RenumberPlayers(CommandContext& ctx, std::int32_t user_id,
                     std::string_view name) {
  const std::string notice =
      DecimalText(user_id) + ". " + std::string(name) +
      " Your current User Database record has been deleted by " +
      ctx.player.PlayerName;
  for (ZonePlayer& player : ctx.zone.Players) {
    if (player.UserID > user_id) {
      --player.UserID;
    } else if (player.UserID == user_id) {
      player.UserID = 0;
      RunStep(ctx.core.terminal(), [&] {
        SendPlayerMessage(ctx.core, ctx.zone_id, player.PlayerID, notice);
      });
    }
  }
}

// Squads do not move, but their owners are UserIDs.
void RenumberSquadOwners(SquadDatabase& squads, std::int32_t user_id) {
  for (std::int32_t id = 1; id <= squads.SquadCount(); ++id) {
    const std::int32_t owner =
        BytesToInt32(squads.GetSquadField(id, SquadField::kOwner));
    if (owner < user_id) continue;
    squads.SetSquadField(id, SquadField::kOwner,
                         Int32ToBytes(owner == user_id ? 0 : owner - 1));
  }
}

}  // namespace

void RemoveUserWithScores(ZoneDatabases& dbs, std::int32_t user_id) {
  UserDatabase& users = dbs.users;
  const std::int32_t removed = ScoreIdOf(users, user_id);
  const std::int32_t score_count = dbs.scores.ScoreCount();
  if (removed >= 1 && removed <= score_count) {
    for (std::int32_t id = 1; id <= users.UserCount(); ++id) {
      const std::int32_t score_id = ScoreIdOf(users, id);
      if (score_id <= removed || score_id > score_count) continue;
      users.SetUserField(id, UserField::kScoreID, Int32ToBytes(score_id - 1));
    }
  }
  RenumberSquadOwners(dbs.squads, user_id);
  users.RemoveUser(user_id);
  dbs.scores.RemoveScoreRecord(removed);
}

// ?scoreadd (ip):(macid):(name)
void HandleScoreAdd(CommandContext& ctx, std::string_view args) {
  const std::string_view arg = WithoutLeadingBlanks(args);
  const std::size_t first = arg.find(':');
  const std::size_t second =
      first == std::string_view::npos ? first : arg.find(':', first + 1);
  // An IP text that names no address is refused like a missing colon.
  const std::string ip =
      second == std::string_view::npos ? "" : IpFromText(arg.substr(0, first));
  if (ip.empty()) {
    ctx.Reply(kScoreAddFormat);
    return;
  }
  const std::string mac =
      Int32ToBytes(ctx.Number(arg.substr(first + 1, second - first - 1)));
  const std::string_view name = arg.substr(second + 1);
  ZoneDatabases& dbs = ctx.zone.databases;
  if (const std::int32_t existing = dbs.users.FindUser(name, mac)) {
    ctx.Reply("The record already exists. UserID:" + DecimalText(existing));
    return;
  }
  std::int32_t user_id = 0;
  const bool added = RunStep(ctx.core.terminal(), [&] {
    user_id =
        dbs.users.AddUser(dbs.scores, name, ip, mac, ctx.core.clock().Now());
  });
  if (!added) return;
  WriteAdminLine(ctx, "User Added to User Database", kAccountOpSuffix);
  ctx.Reply(DecimalText(user_id) + ". " + std::string(name) +
            " User Database record added");
}

// ?scoreedit (UserID) (W) (L) (R) (KP) (FP)
void HandleScoreEdit(CommandContext& ctx, std::string_view args) {
  const std::string_view arg = WithoutLeadingBlanks(args);
  std::array<std::size_t, kEditBlanks> blanks{};
  std::size_t from = 0;
  for (std::size_t& blank : blanks) {
    blank = arg.find(' ', from);
    if (blank == std::string_view::npos) {
      ctx.Reply(kScoreEditFormat);
      return;
    }
    from = blank + 1;
  }
  const std::int32_t user_id = ctx.Number(arg.substr(0, blanks[0]));
  if (!UserIdInBoundsOrReply(ctx, user_id)) return;
  if (RecordInUseOrReply(ctx, user_id)) return;

  std::array<std::string_view, kEditBlanks> texts;
  for (std::size_t i = 0; i < kEditBlanks; ++i) {
    const std::size_t end = i + 1 < kEditBlanks ? blanks[i + 1] : arg.size();
    texts[i] = arg.substr(blanks[i] + 1, end - blanks[i] - 1);
  }
  const std::string record = EditedScoreRecord(ctx, texts);
  ZoneDatabases& dbs = ctx.zone.databases;
  const std::int32_t score_id = ScoreIdOf(dbs.users, user_id);
  // A record without a score record (ScoreID 0 or below) cannot take the
  // scores; that is a failure, not a change.
  const bool stored = RunStep(ctx.core.terminal(), [&] {
    if (score_id <= 0) Fail(FailureKind::kSubscriptOutOfRange);
    dbs.scores.PutScoreRecord(score_id, record);
  });
  if (!stored) return;
  WriteAdminLine(ctx, "Score data modified to User Database", kAccountOpSuffix);
  ctx.Reply(DecimalText(user_id) + ". Score data changed");
}

// ?scoredelete (UserID)
void HandleScoreDelete(CommandContext& ctx, std::string_view args) {
  const std::int32_t user_id = ctx.Number(args);
  if (!UserIdInBoundsOrReply(ctx, user_id)) return;
  ZoneDatabases& dbs = ctx.zone.databases;
  if (!ctx.Holds(Level::kAccountOp) &&
      dbs.users.GetUserField(user_id, UserField::kMacID) !=
          Int32ToBytes(ctx.player.MacID)) {
    ctx.Reply("User Database record is not yours.");
    return;
  }
  const std::string name = UserName(dbs, user_id);
  // The record as it was: labels as wide as its own UserID, no TotalPoints.
  const int width = DigitCount(user_id);
  ctx.Reply(ScoreTableHeader(static_cast<std::size_t>(width) + 2,
                             TotalColumn::kLeftOut));
  ReplyScoreRow(ctx, user_id, UserLabel(user_id, width), TotalColumn::kLeftOut);

  RenumberPlayers(ctx, user_id, name);
  RemoveUserWithScores(dbs, user_id);
  ctx.Reply("User Database record is successfully deleted.");
  WriteAdminLine(ctx, "User record deleted from User Database");
}

}  // namespace tallyhall
