// The greeting queue: a vector ordered by ticket, taken from the front,
// with cancelled entries (no text) left in place until they outnumber the
// live ones.
#include "context/greeting_queue.h"

#include <algorithm>

namespace tallyhall {
namespace {

// Cancelled and taken slots are kept until there are this many more of them
// than live ones, so that a compaction's cost is spread over as many calls.
constexpr std::size_t kSlack = 64;

}  // namespace

std::uint64_t GreetingQueue::Push(std::int32_t zone_id,
                                  std::uint64_t zone_serial,
                                  std::int32_t player_id,
                                  std::string_view text) {
  if (!last_text_ || *last_text_ != text) {
    last_text_ = std::make_shared<const std::string>(text);
  }
  CompactIfSparse();
  const std::uint64_t ticket = next_ticket_;
  entries_.push_back({.ticket = ticket,
                      .zone_serial = zone_serial,
                      .zone_id = zone_id,
                      .player_id = player_id,
                      .text = last_text_});
  ++next_ticket_;
  ++waiting_;
  return ticket;
}

void GreetingQueue::Cancel(std::uint64_t ticket) {
  auto it = std::lower_bound(
      entries_.begin() + static_cast<std::ptrdiff_t>(head_), entries_.end(),
      ticket, [](const Entry& entry, std::uint64_t wanted) {
        return entry.ticket < wanted;
      });
  if (it == entries_.end() || it->ticket != ticket || !it->text) return;
  (IsDue(ticket) ? due_ : waiting_) -= 1;
  it->text.reset();
  ++cancelled_;
  CompactIfSparse();
}

bool GreetingQueue::TakeDue(Entry& entry) {
  while (head_ < entries_.size()) {
    Entry& front = entries_[head_];
    if (!front.text) {
      ++head_;
      --cancelled_;
      continue;
    }
    if (!IsDue(front.ticket)) break;
    entry = std::move(front);
    ++head_;
    --due_;
    return true;
  }
  if (head_ == entries_.size()) {
    entries_.clear();
    head_ = 0;
  }
  return false;
}

std::vector<GreetingQueue::Entry> GreetingQueue::Entries() const {
  std::vector<Entry> live;
  for (std::size_t i = head_; i < entries_.size(); ++i) {
    if (entries_[i].text) live.push_back(entries_[i]);
  }
  return live;
}

void GreetingQueue::CompactIfSparse() {
  if (head_ + cancelled_ <= size() + kSlack) return;
  entries_.erase(entries_.begin(),
                 entries_.begin() + static_cast<std::ptrdiff_t>(head_));
  std::erase_if(entries_, [](const Entry& entry) { return !entry.text; });
  head_ = 0;
  cancelled_ = 0;
}

}  // namespace tallyhall
