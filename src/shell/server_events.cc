// Start-up, the loop's events and shutdown, over the server's context.
#include "shell/server_events.h"

#include <cstdint>
#include <string>

#include "base/failure.h"
#include "base/settings_reader.h"
#include "commands/command_context.h"
#include "net/interpreter.h"
#include "net/messages.h"
#include "zones/zone_login.h"

namespace tallyhall {

Status Start(ServerCore& core) {
  // LogTerminal is still off, so the title line never reaches the log file.
  core.WriteLogLine(std::string(kProgramTitle) + " " +
                    std::to_string(kMajorVersion));
  core.set_last_save_time(core.clock().Now().SecondsOfDay());
  Status loaded = EnsureSettingsAndLoad(core.settings_file(), core.settings(),
                                        &core.setting_warnings());
  if (!loaded.ok()) return loaded;
  if (core.settings().log_terminal) {
    core.terminal().set_log_path(core.FilePath("Terminal.log"));
  }
  return Status::Ok();
}

void WriteBanner(ServerCore& core) {
  core.WriteLogLine("Biller port " + std::to_string(core.settings().port) +
                    " is open. Waiting for Game Server(s) connection");
  // The defaults are published: anyone who can reach the port could use them.
  for (std::string_view key : {"BillingPassword", "MessageOpPassword",
                               "AccountOpPassword", "SysOpPassword"}) {
    if (core.settings_file().ReadSetting("Passwords", key) ==
        DefaultSetting("Passwords", key)) {
      core.WriteLogLine(
          "Warning: " + std::string(key) +
          " still has its default value; change it in Tallyhall.ini");
    }
  }
  for (const std::string& warning : core.setting_warnings()) {
    core.WriteLogLine(warning);
  }
}

void NotifyReady(ServerCore& core) {
  // The start lines are out before anyone acts on the readiness.
  core.terminal().Flush();
  core.Notify("READY=1\nSTATUS=" + core.StatusText());
}

void OnDatagram(ServerCore& core, const Address& sender,
                std::string_view datagram) {
  ++core.counters().datagrams_received;
  core.counters().bytes_received += datagram.size();
  if (datagram.empty()) return;
  InterpretPacket(core, sender, datagram);
}

void OnDatagramTooLong(ServerCore& core, std::size_t size) {
  ++core.counters().datagrams_received;
  core.counters().bytes_received += size;
  ++core.counters().dropped_too_long;
}

void OnGreetingTimer(ServerCore& core) {
  core.StartGreetingRelease();
  while (SendDueGreetings(core, SIZE_MAX)) {
  }
}

bool SendDueGreetings(ServerCore& core, std::size_t limit) {
  GreetingQueue& greetings = core.greeting_queue();
  ZoneTable& zones = core.zones();
  GreetingQueue::Entry greeting;
  for (std::size_t sent = 0; sent < limit; ++sent) {
    if (!greetings.TakeDue(greeting)) return false;
    // A zone that left (or was replaced at its position) gets nothing.
    const bool same_zone =
        greeting.zone_id >= 1 && greeting.zone_id <= zones.ZoneCount() &&
        zones.Zone(greeting.zone_id).serial == greeting.zone_serial;
    if (!same_zone) continue;
    RunStep(core.terminal(), [&] {
      SendPlayerMessage(core, greeting.zone_id, greeting.player_id,
                        *greeting.text);
    });
  }
  return greetings.due() > 0;
}

namespace {

// The position of the zone with `serial`, 0 when it left.
std::int32_t ZoneBySerial(ZoneTable& zones, std::uint64_t serial) {
  std::int32_t zone_id = 0;
  for (std::int32_t id = 1; id <= zones.ZoneCount(); ++id) {
    if (zones.Zone(id).serial == serial) zone_id = id;
  }
  return zone_id;
}

// Sends the answer of `command` to its caller, when he is still present.
void AnswerLongCommand(ServerCore& core, ServerCore::PendingCommand& command) {
  const std::int32_t zone_id = ZoneBySerial(core.zones(), command.zone_serial);
  if (zone_id == 0) return;
  ZoneEntry& zone = core.zones().Zone(zone_id);
  const std::int32_t index = FindPlayerByID(zone, command.player_id);
  if (index == 0) return;
  CommandContext ctx{.core = core,
                     .zone_id = zone_id,
                     .zone = zone,
                     .player = zone.Player(index),
                     .player_id = command.player_id,
                     .text = command.text};
  RunStep(core.terminal(), [&] { command.work->Answer(ctx); });
}

}  // namespace

bool DoPendingWork(ServerCore& core, std::size_t units) {
  if (SendDueGreetings(core, units)) return true;
  auto& long_commands = core.long_commands();
  if (long_commands.empty()) return false;
  ServerCore::PendingCommand& command = long_commands.front();
  bool ready = false;
  const bool ran =
      RunStep(core.terminal(), [&] { ready = command.work->Step(units); });
  if (ran && !ready) return true;
  // Ready, or failed (the caller then gets nothing).
  if (ready) AnswerLongCommand(core, command);
  long_commands.pop_front();
  return !long_commands.empty();
}

void OnSaveTick(ServerCore& core) {
  for (const std::string& line :
       core.stranger_lines().TakeReport(core.clock().SteadyMilliseconds())) {
    core.WriteLogLine(line);
  }
  const int now = core.clock().Now().SecondsOfDay();
  const bool period_passed =
      now - core.last_save_time() >= core.settings().auto_save;
  const bool day_just_began = now > 0 && now < 60;
  const bool save_all = period_passed || day_just_began;
  if (save_all) core.set_last_save_time(now);
  core.WritePendingDatabases();
  const std::int32_t count = core.zones().ZoneCount();
  for (std::int32_t id = 1; id <= count; ++id) {
    // A zone whose last save failed does not wait a whole period.
    if (save_all || core.zones().Zone(id).save_failed) {
      SaveZoneDatabases(core, id);
    }
  }
  core.Notify("STATUS=" + core.StatusText());
}

bool Shutdown(ServerCore& core) {
  // The service manager then waits for the saves instead of the watchdog.
  core.Notify("STOPPING=1");
  core.WritePendingDatabases();
  bool saved = true;
  while (core.zones().ZoneCount() > 0) saved = RemoveZone(core, 1) && saved;
  if (saved && core.pending().empty()) return true;
  // A failed save leaves its databases pending: these are what is lost.
  std::string not_saved;
  for (const std::string& name : core.pending().FileNames()) {
    not_saved += (not_saved.empty() ? "" : ", ") + name;
  }
  core.WriteLogLine("Databases not saved at shutdown: " + not_saved,
                    LogPriority::kError);
  return false;
}

}  // namespace tallyhall
