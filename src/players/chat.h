// Traffic between players: arena messages to all zones (07), chat channel
// lines (0E, 14) and player text (0F). The ?chat and ?find commands live
// with the other commands and read channel lists through ReadChannelList.
#ifndef TALLYHALL_PLAYERS_CHAT_H_
#define TALLYHALL_PLAYERS_CHAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallyhall {

class ServerCore;

// A player uses at most this many channels; later names are ignored.
inline constexpr std::size_t kMaxChannels = 9;
// A player's ChatChannels text holds at most this many characters.
inline constexpr std::size_t kMaxChannelText = 128;

// A channel list as every reader sees it: the text with one "," appended,
// split at each ",", empty pieces skipped, at most the first nine names.
// Channel k is element k - 1.
std::vector<std::string> ReadChannelList(std::string_view channels);

// Each takes the message from its type byte on.
void HandleArenaMessage(ServerCore& core, std::int32_t zone_id,
                        std::string_view message);
void HandleChannelMessage(ServerCore& core, std::int32_t zone_id,
                          std::string_view message);
void HandlePlayerText(ServerCore& core, std::int32_t zone_id,
                      std::string_view message);

}  // namespace tallyhall

#endif  // TALLYHALL_PLAYERS_CHAT_H_
