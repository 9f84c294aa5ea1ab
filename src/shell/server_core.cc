// Start-up, the timers' events and shutdown of the server core.
#include "shell/server_core.h"

#include <algorithm>
#include <cstdint>

#include "base/failure.h"
#include "commands/command_context.h"
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

std::uint64_t ServerCore::QueueGreeting(std::int32_t zone_id,
                                        std::int32_t player_id,
                                        std::string_view text) {
  const ZoneEntry& zone = zones_.Zone(zone_id);
  const std::int64_t now = clock_.SteadyMilliseconds();
  // Greetings already due leave with the release under way; the waits of
  // the next one count from its own oldest login.
  if (greetings_.waiting() == 0) oldest_greeting_ms_ = now;
  const std::uint64_t ticket =
      greetings_.Push(zone_id, zone.serial, player_id, text);
  const std::int64_t latest =
      oldest_greeting_ms_ + std::int64_t{kGreetingMaxWaitSeconds} * 1000;
  scheduler_.ArmGreetingTimer(std::clamp<std::int64_t>(
      latest - now, 0, std::int64_t{kTickSeconds} * 1000));
  return ticket;
}

std::vector<QueuedGreeting> ServerCore::delayed_responses() const {
  std::vector<QueuedGreeting> copies;
  for (const GreetingQueue::Entry& entry : greetings_.Entries()) {
    copies.push_back({.zone_id = entry.zone_id,
                      .zone_serial = entry.zone_serial,
                      .player_id = entry.player_id,
                      .text = *entry.text});
  }
  return copies;
}

void ServerCore::OnGreetingTimer() {
  StartGreetingRelease();
  while (SendDueGreetings(SIZE_MAX)) {
  }
}

void ServerCore::StartGreetingRelease() { greetings_.StartRelease(); }

bool ServerCore::SendDueGreetings(std::size_t limit) {
  GreetingQueue::Entry greeting;
  for (std::size_t sent = 0; sent < limit; ++sent) {
    if (!greetings_.TakeDue(greeting)) return false;
    // A zone that left (or was replaced at its position) gets nothing.
    const bool same_zone =
        greeting.zone_id >= 1 && greeting.zone_id <= zones_.ZoneCount() &&
        zones_.Zone(greeting.zone_id).serial == greeting.zone_serial;
    if (!same_zone) continue;
    RunStep(terminal_, [&] {
      SendPlayerMessage(*this, greeting.zone_id, greeting.player_id,
                        *greeting.text);
    });
  }
  return greetings_.due() > 0;
}

bool ServerCore::DoPendingWork(std::size_t units) {
  if (SendDueGreetings(units)) return true;
  if (long_commands_.empty()) return false;
  PendingCommand& command = long_commands_.front();
  bool ready = false;
  const bool ran =
      RunStep(terminal_, [&] { ready = command.work->Step(units); });
  if (ran && !ready) return true;
  // Ready, or failed (the caller then gets nothing).
  std::int32_t zone_id = 0;
  for (std::int32_t id = 1; id <= zones_.ZoneCount(); ++id) {
    if (zones_.Zone(id).serial == command.zone_serial) zone_id = id;
  }
  if (ready && zone_id != 0) {
    ZoneEntry& zone = zones_.Zone(zone_id);
    const std::int32_t index = FindPlayerByID(zone, command.player_id);
    if (index != 0) {
      CommandContext ctx{.core = *this,
                         .zone_id = zone_id,
                         .zone = zone,
                         .player = zone.Player(index),
                         .player_id = command.player_id,
                         .text = command.text};
      RunStep(terminal_, [&] { command.work->Answer(ctx); });
    }
  }
  long_commands_.pop_front();
  return !long_commands_.empty();
}

void ServerCore::QueueLongCommand(const CommandContext& ctx,
                                  std::unique_ptr<LongCommand> work) {
  long_commands_.push_back({.zone_serial = ctx.zone.serial,
                            .player_id = ctx.player_id,
                            .text = std::string(ctx.text),
                            .work = std::move(work)});
  scheduler_.WantPendingWork();
}

void ServerCore::ForgetPlayer(const ZoneEntry& zone, const ZonePlayer& player) {
  greetings_.Cancel(player.GreetingTicket);
  std::erase_if(long_commands_, [&](const PendingCommand& command) {
    return command.zone_serial == zone.serial &&
           command.player_id == player.PlayerID;
  });
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
