// Zone login against [RegisteredZones] and BillingPassword, AddZone,
// zone logoff and RemoveZone.
#include "zones/zone_login.h"

#include <memory>
#include <string>
#include <vector>

#include "base/failure.h"
#include "context/server_core.h"
#include "db/encoding.h"
#include "net/messages.h"

namespace tallyhall {
namespace {

// The fields of a zone login, taken from whatever bytes the datagram has.
struct LoginFields {
  std::string name;
  std::string password;
  std::int16_t game_port = 0;
  std::int32_t server_id = 0;
  std::int32_t group_id = 0;
  std::int32_t score_id = 0;

  std::string LogPrefix() const {
    return ZoneLogPrefix(name, server_id, group_id, score_id);
  }
};

LoginFields ReadLoginFields(std::string_view d) {
  LoginFields f;
  f.name =
      std::string(TrimAtNul(FieldAt(d, kZoneLoginName, kZoneLoginNameSize)));
  f.password = std::string(
      TrimAtNul(FieldAt(d, kZoneLoginPassword, kZoneLoginPasswordSize)));
  f.game_port = BytesToInt16(FieldAt(d, kZoneLoginGamePort, 2));
  f.server_id = BytesToInt32(FieldAt(d, kZoneLoginServerId, 4));
  f.group_id = BytesToInt32(FieldAt(d, kZoneLoginGroupId, 4));
  f.score_id = BytesToInt32(FieldAt(d, kZoneLoginScoreId, 4));
  return f;
}

void Refuse(ServerCore& core, const Address& sender, const LoginFields& f,
            std::string_view reason,
            LogPriority priority = LogPriority::kInfo) {
  core.transport().SendDatagram(sender, kDisconnect);
  core.terminal().WriteLogLine(f.LogPrefix() + ") " + std::string(reason),
                               priority);
}

// A zone's databases, read before the zone is accepted.
struct LoadedDatabases {
  ZoneDatabases dbs;
  DatabaseSet pending;  // to be taken from the pending copies instead
  std::vector<PartialRecord> partial;
};

// Reads the files of the zone that have no pending copy. When one exists
// but cannot be read, the zone is refused as a wrong password is, with a
// line naming the file, and false is returned: serving it would give its
// players wrong scores and hand out records that exist.
bool ReadDatabasesOrRefuse(ServerCore& core, const Address& sender,
                           const LoginFields& f, LoadedDatabases& loaded) {
  const DatabaseIds ids{f.server_id, f.group_id, f.score_id};
  loaded.pending = core.pending().Held(ids);
  Status read = ReadDatabases(core.folder(), ids, loaded.pending, loaded.dbs,
                              loaded.partial, &core.file_hooks());
  if (read.ok()) return true;
  Refuse(core, sender, f, "Could not read " + read.message() + ". Zone booted",
         LogPriority::kError);
  return false;
}

// Appends the zone with its databases: the pending copies of its files,
// then those read at its login.
void AddZone(ServerCore& core, const Address& sender, const LoginFields& f,
             LoadedDatabases& loaded) {
  auto zone = std::make_unique<ZoneEntry>();
  zone->ServerName = f.name;
  zone->GamePort = f.game_port;
  zone->address = sender;
  zone->ServerID = f.server_id;
  zone->GroupID = f.group_id;
  zone->ScoreID = f.score_id;
  zone->serial = core.NextZoneSerial();
  zone->databases = std::move(loaded.dbs);
  zone->databases_loaded = true;
  ZoneEntry& entry = *zone;
  try {
    core.zones().Append(std::move(zone));
  } catch (const std::bad_alloc&) {
    core.WriteLogLine(FailureText(FailureKind::kOutOfMemory) +
                      ". Zone will not be able to use biller services");
    return;
  }
  for (const std::string& file :
       core.pending().Give(entry.Ids(), loaded.pending, entry.databases)) {
    core.WriteLogLine(entry.LogPrefix() + ") " + file +
                      " is taken from the copy kept since its save failed, "
                      "not from the file");
  }
  WriteLoadLines(entry.LogPrefix(), entry.ServerName, entry.databases,
                 loaded.partial, core.terminal());
}

// Enters the zone under [RegisteredZones] with the billing password. A name
// that cannot be a key (such as "[EU] League"), or a settings file that
// cannot be written, skips only the registration, with a line saying why.
void RegisterZone(ServerCore& core, const LoginFields& f,
                  const std::string& billing) {
  std::string reason = SettingRefusalReason("RegisteredZones", f.name, billing);
  if (reason.empty()) {
    Status written =
        core.settings_file().WriteSetting("RegisteredZones", f.name, billing);
    if (written.ok()) return;
    reason = written.message();
  }
  core.WriteLogLine(f.LogPrefix() +
                    ") Zone name cannot be registered: " + reason);
}

void AcceptZone(ServerCore& core, const Address& sender,
                std::string_view datagram, const LoginFields& f,
                std::string_view line, LoadedDatabases& loaded) {
  core.transport().SendDatagram(sender, AcknowledgementFor(datagram));
  core.WriteLogLine(f.LogPrefix() + ") " + std::string(line));
  AddZone(core, sender, f, loaded);
}

}  // namespace

void ZoneLogin(ServerCore& core, const Address& sender,
               std::string_view datagram) {
  const LoginFields f = ReadLoginFields(datagram);
  core.WriteLogLine("Connection request from " + IpText(sender.IpBytes()) +
                    ":" + DecimalText(f.game_port));
  const std::string registered =
      core.settings_file().ReadSetting("RegisteredZones", f.name);
  LoadedDatabases loaded;
  if (!registered.empty()) {
    if (f.password != registered) {
      Refuse(core, sender, f, "Invalid biller password. Zone booted");
    } else if (ReadDatabasesOrRefuse(core, sender, f, loaded)) {
      AcceptZone(core, sender, datagram, f,
                 "Valid biller password. Zone logged in", loaded);
    }
    return;
  }
  if (!core.settings().allow_new_zones) {
    Refuse(core, sender, f,
           "Unregistered zone. New zones are blocked. Zone booted");
    return;
  }
  const std::string billing =
      core.settings_file().ReadSetting("Passwords", "BillingPassword");
  // Like the operator passwords, an empty billing password admits nobody.
  if (billing.empty() || f.password != billing) {
    Refuse(core, sender, f,
           "Unregistered zone. Invalid biller password. Zone booted");
    return;
  }
  if (!ReadDatabasesOrRefuse(core, sender, f, loaded)) return;
  RegisterZone(core, f, billing);
  AcceptZone(core, sender, datagram, f,
             "Unregistered zone: Valid biller password. Zone added and "
             "logged in",
             loaded);
}

void ZoneLogoff(ServerCore& core, std::int32_t zone_id, const Address& sender) {
  const ZoneEntry& zone = core.zones().Zone(zone_id);
  core.WriteLogLine("Disconnecting " + IpText(sender.IpBytes()) + ":" +
                    DecimalText(zone.GamePort));
  core.WriteLogLine(zone.LogPrefix() + ") Game server logging off");
  RemoveZone(core, zone_id);
}

bool RemoveZone(ServerCore& core, std::int32_t zone_id) {
  RunStep(core.terminal(), [&] {
    core.transport().SendDatagram(core.zones().Zone(zone_id).address,
                                  kDisconnect);
  });
  DatabaseSet unwritten;
  const bool saved = SaveZoneDatabases(core, zone_id, &unwritten);
  RunStep(core.terminal(), [&] {
    const ZoneEntry& zone = core.zones().Zone(zone_id);
    for (const ZonePlayer& player : zone.Players) {
      core.ForgetPlayer(zone, player);
    }
  });
  RunStep(core.terminal(), [&] {
    ZoneEntry& zone = core.zones().Zone(zone_id);
    // What the failed save could not write outlives the zone.
    core.pending().Keep(zone.ServerName, zone.Ids(), zone.databases, unwritten);
  });
  core.zones().Remove(zone_id);
  return saved;
}

bool SaveZoneDatabases(ServerCore& core, std::int32_t zone_id,
                       DatabaseSet* unwritten) {
  // What the batch has queued leaves first: a zone's Disconnect comes
  // before its save, and no reply waits on the disk.
  core.transport().Flush();
  bool saved = false;
  RunStep(core.terminal(), [&] {
    ZoneEntry& zone = core.zones().Zone(zone_id);
    const std::int64_t started_ms = core.clock().SteadyMilliseconds();
    saved = SaveDatabases(core.folder(), zone.ServerName, zone.Ids(),
                          zone.databases, core.terminal(), &core.file_hooks(),
                          unwritten)
                .ok();
    zone.save_failed = !saved;
    core.CountSave(zone, saved, started_ms);
  });
  return saved;
}

}  // namespace tallyhall
