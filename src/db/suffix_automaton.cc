// The online suffix automaton: states with their longest length and suffix
// link; each state's transitions in one block of a pool, moved to a block
// twice as large when full.
#include "db/suffix_automaton.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace tallyhall {
namespace {

// Keeps every state number and pool position inside 32 bits: the pool
// holds at most about 20 entries a byte of text, old blocks included.
constexpr std::size_t kMaxText = std::size_t{1} << 27;

// Room in a block that holds `count` transitions: 0, 2, 4, 8, ... 256.
std::uint32_t Capacity(std::uint32_t count) {
  return count == 0 ? 0 : std::max<std::uint32_t>(2, std::bit_ceil(count));
}

}  // namespace

SuffixAutomaton::SuffixAutomaton() { NewState(0, kNone); }

void SuffixAutomaton::Append(std::string_view bytes) {
  if (bytes.size() > kMaxText - size_) {
    throw std::length_error("suffix automaton text too long");
  }
  for (char c : bytes) Extend(static_cast<unsigned char>(c));
}

bool SuffixAutomaton::Contains(std::string_view pattern) const {
  std::uint32_t state = 0;
  for (char c : pattern) {
    const std::uint32_t at = Find(state, static_cast<unsigned char>(c));
    if (at == kNone) return false;
    state = pool_[at].target;
  }
  return true;
}

void SuffixAutomaton::Extend(unsigned char byte) {
  const std::uint32_t current = NewState(states_[last_].length + 1, 0);
  std::uint32_t p = last_;
  std::uint32_t at = kNone;  // p's transition on the byte
  while (p != kNone && (at = Find(p, byte)) == kNone) {
    AddTransition(p, byte, current);
    p = states_[p].link;
  }
  if (p != kNone) {
    const std::uint32_t q = pool_[at].target;
    if (states_[p].length + 1 == states_[q].length) {
      states_[current].link = q;
    } else {
      const std::uint32_t clone = Clone(q, states_[p].length + 1);
      // Every suffix of the text that led to q through p now leads to the
      // shorter clone (every suffix-link ancestor of p has a transition on
      // the byte).
      for (; p != kNone; p = states_[p].link) {
        std::uint32_t& target = pool_[Find(p, byte)].target;
        if (target != q) break;
        target = clone;
      }
      states_[q].link = clone;
      states_[current].link = clone;
    }
  }
  last_ = current;
  ++size_;
}

std::uint32_t SuffixAutomaton::Find(std::uint32_t state,
                                    unsigned char byte) const {
  // Most states hold one or two transitions: a plain loop beats a call.
  const State& s = states_[state];
  const Transition* block = pool_.data() + s.first;
  for (std::uint32_t i = 0; i < s.count; ++i) {
    if (block[i].byte == byte) return s.first + i;
  }
  return kNone;
}

void SuffixAutomaton::AddTransition(std::uint32_t state, unsigned char byte,
                                    std::uint32_t target) {
  const std::uint32_t count = states_[state].count;
  if (count == Capacity(count)) {  // full: move to a block twice as large
    const std::uint32_t block = NewBlock(count + 1);
    const std::uint32_t old = states_[state].first;
    std::copy_n(pool_.begin() + old, count, pool_.begin() + block);
    states_[state].first = block;
  }
  pool_[states_[state].first + count] = {.target = target, .byte = byte};
  states_[state].count = count + 1;
}

std::uint32_t SuffixAutomaton::NewBlock(std::uint32_t count) {
  const auto block = static_cast<std::uint32_t>(pool_.size());
  pool_.resize(block + Capacity(count));
  return block;
}

std::uint32_t SuffixAutomaton::NewState(std::uint32_t length,
                                        std::uint32_t link) {
  states_.push_back({.length = length, .link = link, .first = 0, .count = 0});
  return static_cast<std::uint32_t>(states_.size() - 1);
}

std::uint32_t SuffixAutomaton::Clone(std::uint32_t state,
                                     std::uint32_t length) {
  const std::uint32_t count = states_[state].count;
  const std::uint32_t block = NewBlock(count);
  const std::uint32_t from = states_[state].first;
  std::copy_n(pool_.begin() + from, count, pool_.begin() + block);
  const std::uint32_t clone = NewState(length, states_[state].link);
  states_[clone].first = block;
  states_[clone].count = count;
  return clone;
}

}  // namespace tallyhall
