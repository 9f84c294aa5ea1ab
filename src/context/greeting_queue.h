// The queue of greetings that player logins leave for the greeting timer.
// Each entry names the player it was queued for by zone and PlayerID and
// shares its text with every other entry queued under the same setting, so
// an entry costs a few dozen bytes whatever the greeting's length. A player
// who leaves takes his entry out (Cancel), so the queue holds at most one
// entry per player present plus as many cancelled ones, never more.
#ifndef TALLYHALL_CONTEXT_GREETING_QUEUE_H_
#define TALLYHALL_CONTEXT_GREETING_QUEUE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tallyhall {

class GreetingQueue {
 public:
  struct Entry {
    std::uint64_t ticket = 0;
    std::uint64_t zone_serial = 0;
    std::int32_t zone_id = 0;
    std::int32_t player_id = 0;
    std::shared_ptr<const std::string> text;  // null once cancelled
  };

  // Appends a greeting and returns its ticket, which is never 0 and grows
  // with every push. A text equal to the last one pushed shares its copy.
  std::uint64_t Push(std::int32_t zone_id, std::uint64_t zone_serial,
                     std::int32_t player_id, std::string_view text);
  // Takes the greeting with `ticket` out if it has not left yet; 0 and
  // unknown tickets change nothing.
  void Cancel(std::uint64_t ticket);

  // Every greeting queued so far becomes due; later pushes wait for the
  // next call.
  void StartRelease() {
    release_end_ = next_ticket_ - 1;
    due_ += waiting_;
    waiting_ = 0;
  }
  // Moves the oldest due greeting into `entry` and returns true; false when
  // none is due.
  bool TakeDue(Entry& entry);

  // Greetings queued and not cancelled: due ones and those that wait.
  std::size_t size() const { return due_ + waiting_; }
  std::size_t due() const { return due_; }
  std::size_t waiting() const { return waiting_; }
  // Slots held, cancelled ones included (at most twice size() plus a few).
  std::size_t held() const { return entries_.size() - head_; }
  // The greetings still queued, oldest first.
  std::vector<Entry> Entries() const;

 private:
  bool IsDue(std::uint64_t ticket) const { return ticket <= release_end_; }
  // Drops the cancelled and taken slots once they outnumber the live ones.
  void CompactIfSparse();

  std::vector<Entry> entries_;  // by ticket; [0, head_) already taken
  std::size_t head_ = 0;
  std::size_t cancelled_ = 0;  // cancelled slots at head_ or later
  std::size_t due_ = 0;
  std::size_t waiting_ = 0;
  std::uint64_t next_ticket_ = 1;
  std::uint64_t release_end_ = 0;  // tickets up to this one are due
  std::shared_ptr<const std::string> last_text_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_GREETING_QUEUE_H_
