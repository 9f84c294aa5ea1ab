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
  Status loaded =
      EnsureSettingsAndLoad(settings_file_, settings_, &setting_warnings_);
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
  for (const std::string& warning : setting_warnings_) WriteLogLine(warning);
}

void ServerCore::OnDatagram(const Address& sender, std::string_view datagram) {
  if (datagram.empty()) return;
  InterpretPacket(*this, sender, datagram);
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
  for (const std::string& line :
       stranger_lines_.TakeReport(clock_.SteadyMilliseconds())) {
    WriteLogLine(line);
  }
  const int now = clock_.Now().SecondsOfDay();
  const bool period_passed = now - last_save_time_ >= settings_.auto_save;
  const bool day_just_began = now > 0 && now < 60;
  const bool save_all = period_passed || day_just_began;
  if (save_all) last_save_time_ = now;
  WritePendingDatabases();
  const std::int32_t count = zones_.ZoneCount();
  for (std::int32_t id = 1; id <= count; ++id) {
    // A zone whose last save failed does not wait a whole period.
    if (save_all || zones_.Zone(id).save_failed) SaveZoneDatabases(*this, id);
  }
  if (notifier_ != nullptr) notifier_->Notify("STATUS=" + StatusText());
}

void ServerCore::NotifyReady() {
  // The start lines are out before anyone acts on the readiness.
  terminal_.Flush();
  if (notifier_ != nullptr) {
    notifier_->Notify("READY=1\nSTATUS=" + StatusText());
  }
}

std::string ServerCore::StatusText() const {
  std::int64_t players = 0;
  for (std::int32_t id = 1; id <= zones_.ZoneCount(); ++id) {
    players += zones_.Zone(id).PlayerCount();
  }
  return "Zones: " + std::to_string(zones_.ZoneCount()) +
         ", players: " + std::to_string(players);
}

bool ServerCore::Shutdown() {
  // The service manager then waits for the saves instead of the watchdog.
  if (notifier_ != nullptr) notifier_->Notify("STOPPING=1");
  WritePendingDatabases();
  bool saved = true;
  while (zones_.ZoneCount() > 0) saved = RemoveZone(*this, 1) && saved;
  if (saved && pending_.empty()) return true;
  // A failed save leaves its databases pending: these are what is lost.
  std::string not_saved;
  for (const std::string& name : pending_.FileNames()) {
    not_saved += (not_saved.empty() ? "" : ", ") + name;
  }
  WriteLogLine("Databases not saved at shutdown: " + not_saved,
               LogPriority::kError);
  return false;
}

}  // namespace tallyhall
