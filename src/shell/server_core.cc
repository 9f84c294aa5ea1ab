// Start-up, the timers' events and shutdown of the server core.
#include "shell/server_core.h"

#include <algorithm>

#include "base/failure.h"
#include "net/interpreter.h"
#include "net/messages.h"
#include "zones/zone_login.h"

namespace tallyhall {

ServerCore::ServerCore(std::string folder, Transport& transport,
                       const Clock& clock, ConsoleView* view,
                       Scheduler& scheduler)
    : folder_(std::move(folder)),
      transport_(transport),
      clock_(clock),
      scheduler_(scheduler),
      terminal_(clock, view),
      settings_file_(JoinPath(folder_, std::string(kProgramTitle) + ".ini"),
                     &file_hooks_) {}

std::string ServerCore::FilePath(std::string_view name) const {
  return JoinPath(folder_, name);
}

Status ServerCore::Start() {
  // LogTerminal is still off, so the title line never reaches the log file.
  WriteLogLine(std::string(kProgramTitle) + " " +
               std::to_string(kMajorVersion));
  last_save_time_ = clock_.Now().SecondsOfDay();
  Status loaded = EnsureSettingsAndLoad(settings_file_, settings_);
  if (!loaded.ok()) return loaded;
  if (settings_.log_terminal) {
    terminal_.set_log_path(FilePath("Terminal.log"));
  }
  return Status::Ok();
}

void ServerCore::WriteBanner() {
  WriteLogLine("Biller port " + std::to_string(settings_.port) +
               " is open. Waiting for Game Server(s) connection");
  // The defaults are published: anyone who can reach the port could use them.
  for (std::string_view key : {"BillingPassword", "MessageOpPassword",
                               "AccountOpPassword", "SysOpPassword"}) {
    if (settings_file_.ReadSetting("Passwords", key) ==
        DefaultSetting("Passwords", key)) {
      WriteLogLine("Warning: " + std::string(key) +
                   " still has its default value; change it in Tallyhall.ini");
    }
  }
}

void ServerCore::OnDatagram(const Address& sender, std::string_view datagram) {
  ++counters_.datagrams_received;
  counters_.bytes_received += datagram.size();
  if (datagram.empty()) return;
  InterpretPacket(*this, sender, datagram);
}

void ServerCore::OnDatagramTooLong(std::size_t size) {
  ++counters_.datagrams_received;
  counters_.bytes_received += size;
  ++counters_.dropped_too_long;
}

void ServerCore::CountSave(ZoneEntry& zone, bool saved,
                           std::int64_t started_ms) {
  const std::int64_t now_ms = clock_.SteadyMilliseconds();
  counters_.save_seconds.Observe(static_cast<double>(now_ms - started_ms) /
                                 1000);
  if (!saved) {
    ++counters_.saves_failed;
    return;
  }
  ++counters_.saves_succeeded;
  zone.last_save_ms = now_ms;
}

void ServerCore::QueueGreeting(std::int32_t zone_id, std::int32_t player_id,
                               std::string text) {
  const ZoneEntry& zone = zones_.Zone(zone_id);
  const std::int64_t now = clock_.SteadyMilliseconds();
  if (delayed_responses_.empty()) oldest_greeting_ms_ = now;
  delayed_responses_.push_back({.zone_id = zone_id,
                                .zone_serial = zone.serial,
                                .player_id = player_id,
                                .text = std::move(text)});
  const std::int64_t latest =
      oldest_greeting_ms_ + std::int64_t{kGreetingMaxWaitSeconds} * 1000;
  scheduler_.ArmGreetingTimer(std::clamp<std::int64_t>(
      latest - now, 0, std::int64_t{kTickSeconds} * 1000));
}

void ServerCore::OnGreetingTimer() {
  std::vector<QueuedGreeting> due;
  due.swap(delayed_responses_);
  for (const QueuedGreeting& greeting : due) {
    // A zone that left (or was replaced at its position) gets nothing.
    const bool same_zone =
        greeting.zone_id >= 1 && greeting.zone_id <= zones_.ZoneCount() &&
        zones_.Zone(greeting.zone_id).serial == greeting.zone_serial;
    if (!same_zone) continue;
    RunStep(terminal_, [&] {
      SendPlayerMessage(*this, greeting.zone_id, greeting.player_id,
                        greeting.text);
    });
  }
}

void ServerCore::OnSaveTick() {
  const int now = clock_.Now().SecondsOfDay();
  const bool period_passed = now - last_save_time_ >= settings_.auto_save;
  const bool day_just_began = now > 0 && now < 60;
  const bool save_all = period_passed || day_just_began;
  if (save_all) last_save_time_ = now;
  const std::int32_t count = zones_.ZoneCount();
  for (std::int32_t id = 1; id <= count; ++id) {
    // A zone whose last save failed does not wait a whole period.
    if (save_all || zones_.Zone(id).save_failed) SaveZoneDatabases(*this, id);
  }
}

bool ServerCore::Shutdown() {
  std::string not_saved;
  while (zones_.ZoneCount() > 0) {
    const std::string prefix = zones_.Zone(1).LogPrefix() + ")";
    if (!RemoveZone(*this, 1)) {
      not_saved += (not_saved.empty() ? "" : ", ") + prefix;
    }
  }
  if (not_saved.empty()) return true;
  WriteLogLine("Databases not saved at shutdown: " + not_saved);
  return false;
}

}  // namespace tallyhall
