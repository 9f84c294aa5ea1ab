// The server's context: its queues and what they arm on the loop. Nothing
// here sends a message; the events that do are in shell/server_events.cc.
#include "context/server_core.h"

#include <algorithm>
#include <cstdint>

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

void ServerCore::QueueLongCommand(const ZoneEntry& zone, std::int32_t player_id,
                                  std::string_view text,
                                  std::unique_ptr<LongCommand> work) {
  long_commands_.push_back({.zone_serial = zone.serial,
                            .player_id = player_id,
                            .text = std::string(text),
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

std::string ServerCore::StatusText() const {
  std::int64_t players = 0;
  for (std::int32_t id = 1; id <= zones_.ZoneCount(); ++id) {
    players += zones_.Zone(id).PlayerCount();
  }
  return "Zones: " + std::to_string(zones_.ZoneCount()) +
         ", players: " + std::to_string(players);
}

}  // namespace tallyhall
