// Player login: known players, new players under AllowNewUsers and
// AskNewUsers, the three login replies, and AddPlayer.
#include "players/player_login.h"

#include <new>
#include <stdexcept>

#include "base/failure.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"

namespace tallyhall {
namespace {

constexpr std::size_t kNameSize = 24;
constexpr std::size_t kIdSize = 4;       // IP, PlayerID and MacID
constexpr std::size_t kDefaultSize = 9;  // "[default]"

void WriteZoneLine(ServerCore& core, const ZoneEntry& zone,
                   std::string_view text) {
  core.WriteLogLine(zone.LogPrefix() + ") " + std::string(text));
}

// The player list could not grow.
void WriteNotAdded(ServerCore& core) {
  core.WriteLogLine(FailureText(FailureKind::kOutOfMemory) +
                    ". User will not be added to User Database");
}

// A zone that lost a player without a logoff may give his PlayerID to a
// new player: the old entry goes first, with nothing stored for it, so that
// the newcomer's logoff and scores never reach the old player's record.
void RemoveStaleEntry(ServerCore& core, ZoneEntry& zone,
                      std::int32_t player_id) {
  while (const std::int32_t index = FindPlayerByID(zone, player_id)) {
    const std::string old_name = zone.Player(index).PlayerName;
    // His greeting would reach the newcomer.
    core.ForgetPlayer(zone, zone.Player(index));
    RemovePlayer(zone, index);
    WriteZoneLine(core, zone, "Stale player entry replaced: " + old_name);
  }
}

void SendAccepted(ServerCore& core, ZoneEntry& zone, std::int32_t user_id,
                  std::string_view name, std::string_view player_id) {
  RunStep(core.terminal(), [&] {
    SendReliableMessage(core, zone,
                        AcceptedLoginReply(zone, user_id, name, player_id));
  });
}

}  // namespace

std::string AcceptedLoginReply(const ZoneEntry& zone, std::int32_t user_id,
                               std::string_view name,
                               std::string_view player_id) {
  const UserDatabase& users = zone.databases.users;
  // Every field is fitted to its width, so a record outside the database
  // (which reads empty) still gives the 192-byte layout.
  auto user_field = [&](UserField field) {
    return PadField(users.GetUserField(user_id, field),
                    static_cast<std::size_t>(UserFieldWidth(field)));
  };
  const std::int32_t squad_id =
      BytesToInt32(users.GetUserField(user_id, UserField::kSquadID));
  const std::int32_t score_id =
      BytesToInt32(users.GetUserField(user_id, UserField::kScoreID));

  std::string reply("\x01\x00", 2);
  reply.reserve(kAcceptedReplySize);
  reply += PadField(player_id, kIdSize);
  reply += PadField(name, kNameSize);
  reply +=
      PadField(zone.databases.squads.GetSquadField(squad_id, SquadField::kName),
               kNameSize);
  reply += user_field(UserField::kDataBlock);
  reply += user_field(UserField::kUsageTotal);
  reply += user_field(UserField::kCreated);
  reply.append(4, '\0');
  reply += Int32ToBytes(user_id);
  reply.append(4, '\0');
  reply += zone.databases.scores.GetScoreRecord(score_id);
  return reply;
}

std::string ConfirmLoginReply(std::string_view player_id) {
  return std::string("\x01\x01", 2) + PadField(player_id, kIdSize);
}

std::string RefusedLoginReply(std::string_view player_id) {
  return std::string("\x01\x02", 2) + PadField(player_id, kIdSize);
}

std::string UnusedPlayerName(const ZoneEntry& zone, std::string_view name) {
  std::string candidate(name);
  const std::int64_t room = static_cast<std::int64_t>(kNameSize) -
                            static_cast<std::int64_t>(name.size());
  std::int64_t n = 0;
  while (PlayerNamePresent(zone, candidate)) {
    ++n;
    if (room >= n) {
      candidate =
          std::string(name) + std::string(static_cast<std::size_t>(n), ' ');
    } else {
      // Only the last characters change, so the name keeps its length.
      const std::string digits = DecimalText(n);
      const std::size_t keep = candidate.size() > digits.size()
                                   ? candidate.size() - digits.size()
                                   : 0;
      candidate.replace(keep, std::string::npos, digits);
    }
  }
  return candidate;
}

std::string GreetingText(std::string_view greeting_setting) {
  std::string text(greeting_setting);
  const std::size_t at = ToLower(text).find("[default]");
  if (at != std::string::npos) {
    text.replace(at, kDefaultSize,
                 "Greetings. This is " + std::string(kProgramTitle) +
                     ". Type ?bhelp for biller commands");
  }
  return text;
}

void AddPlayer(ServerCore& core, std::int32_t zone_id, std::string_view name,
               std::string_view mac, std::string_view ip,
               std::string_view player_id, std::int32_t user_id,
               const LocalTime& now) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t pid = BytesToInt32(player_id);
  try {
    ZonePlayer player;
    player.PlayerName = std::string(name);
    player.MacID = BytesToInt32(mac);
    player.IP = BytesToInt32(ip);
    player.PlayerID = pid;
    player.UserID = user_id;
    AppendPlayer(zone, std::move(player));
  } catch (const std::bad_alloc&) {
    WriteNotAdded(core);
    return;
  } catch (const std::length_error&) {
    WriteNotAdded(core);
    return;
  }

  // Every login, the first one too, records its address and today's date.
  UserDatabase& users = zone.databases.users;
  RunStep(core.terminal(), [&] {
    users.SetUserField(user_id, UserField::kIP, ip);
    users.SetUserField(user_id, UserField::kLastDatePlayed, PackDate(now));
  });

  RunStep(core.terminal(), [&] {
    std::string greeting = GreetingText(core.settings().greeting);
    // An empty greeting leaves the greeting timer alone.
    if (!greeting.empty()) {
      zone.Players.back().GreetingTicket =
          core.QueueGreeting(zone_id, pid, greeting);
    }
  });
}

void HandlePlayerLogin(ServerCore& core, std::int32_t zone_id,
                       std::string_view message) {
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::string name(TrimAtNul(FieldAt(message, kLoginName, kNameSize)));
  const std::string_view ip = FieldAt(message, kLoginIp, kIdSize);
  const std::string_view player_id = FieldAt(message, kLoginPlayerId, kIdSize);
  const std::string_view mac = FieldAt(message, kLoginMacId, kIdSize);
  // Records hold exactly 4 bytes of IP and MacID: a login that lacks them
  // is neither looked up nor added.
  if (ip.size() != kIdSize || mac.size() != kIdSize) {
    WriteZoneLine(core, zone, "Player login too short: " + name + " ignored");
    return;
  }
  RemoveStaleEntry(core, zone, BytesToInt32(player_id));
  const LocalTime now = core.clock().Now();
  UserDatabase& users = zone.databases.users;
  const std::int32_t known_id = users.FindUser(name, mac);

  if (known_id >= 1) {
    core.counters().CountLogin(LoginResult::kKnown);
    // The reply's name differs from those of the players present; the
    // player list keeps the name as received.
    SendAccepted(core, zone, known_id, UnusedPlayerName(zone, name), player_id);
    AddPlayer(core, zone_id, name, mac, ip, player_id, known_id, now);
    WriteZoneLine(core, zone, "Known User logged in: " + name);
    return;
  }

  const Settings& settings = core.settings();
  if (!settings.allow_new_users) {
    core.counters().CountLogin(LoginResult::kRefused);
    SendReliableMessage(core, zone, RefusedLoginReply(player_id));
    WriteZoneLine(core, zone, "New User: " + name + " Connection disallowed");
    return;
  }
  const bool confirmed = message[kLoginFlag] != 0;
  if (!confirmed && settings.ask_new_users) {
    core.counters().CountLogin(LoginResult::kAsked);
    // Nothing is remembered: the confirmed login is handled from the start.
    SendReliableMessage(core, zone, ConfirmLoginReply(player_id));
    WriteZoneLine(core, zone,
                  "New User: " + name + " Waiting for confimation...");
    return;
  }

  std::int32_t new_id = 0;
  // Without a record there is nothing to answer with.
  if (!RunStep(core.terminal(), [&] {
        new_id = users.AddUser(zone.databases.scores, name, ip, mac, now);
      })) {
    return;
  }
  core.counters().CountLogin(LoginResult::kNew);
  SendAccepted(core, zone, new_id, name, player_id);
  WriteZoneLine(core, zone,
                "New User added to User Database and logged in: " + name);
  AddPlayer(core, zone_id, name, mac, ip, player_id, new_id, now);
}

}  // namespace tallyhall
