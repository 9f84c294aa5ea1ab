// The online suffix automaton: states with their longest length and suffix
// link, transitions as singly linked lists in one vector.
#include "db/suffix_automaton.h"

#include <stdexcept>

namespace tallyhall {
namespace {

// Keeps state (2n) and transition (3n) numbers inside 32 bits.
constexpr std::size_t kMaxText = std::size_t{1} << 30;

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
    const std::uint32_t edge = EdgeOf(state, static_cast<unsigned char>(c));
    if (edge == kNone) return false;
    state = edges_[edge].target;
  }
  return true;
}

void SuffixAutomaton::Extend(unsigned char byte) {
  const std::uint32_t current = NewState(states_[last_].length + 1, 0);
  std::uint32_t p = last_;
  while (p != kNone && EdgeOf(p, byte) == kNone) {
    AddEdge(p, byte, current);
    p = states_[p].link;
  }
  if (p != kNone) {
    const std::uint32_t q = edges_[EdgeOf(p, byte)].target;
    if (states_[p].length + 1 == states_[q].length) {
      states_[current].link = q;
    } else {
      const std::uint32_t clone = Clone(q, states_[p].length + 1);
      // Every suffix of the text that led to q through p now leads to the
      // shorter clone (every suffix-link ancestor of p has a transition on
      // the byte).
      for (; p != kNone; p = states_[p].link) {
        Edge& edge = edges_[EdgeOf(p, byte)];
        if (edge.target != q) break;
        edge.target = clone;
      }
      states_[q].link = clone;
      states_[current].link = clone;
    }
  }
  last_ = current;
  ++size_;
}

std::uint32_t SuffixAutomaton::EdgeOf(std::uint32_t state,
                                      unsigned char byte) const {
  for (std::uint32_t edge = states_[state].edges; edge != kNone;
       edge = edges_[edge].next) {
    if (edges_[edge].byte == byte) return edge;
  }
  return kNone;
}

void SuffixAutomaton::AddEdge(std::uint32_t state, unsigned char byte,
                              std::uint32_t target) {
  edges_.push_back(
      {.target = target, .next = states_[state].edges, .byte = byte});
  states_[state].edges = static_cast<std::uint32_t>(edges_.size() - 1);
}

std::uint32_t SuffixAutomaton::NewState(std::uint32_t length,
                                        std::uint32_t link) {
  states_.push_back({.length = length, .link = link, .edges = kNone});
  return static_cast<std::uint32_t>(states_.size() - 1);
}

std::uint32_t SuffixAutomaton::Clone(std::uint32_t state,
                                     std::uint32_t length) {
  const std::uint32_t clone = NewState(length, states_[state].link);
  for (std::uint32_t edge = states_[state].edges; edge != kNone;
       edge = edges_[edge].next) {
    AddEdge(clone, edges_[edge].byte, edges_[edge].target);
  }
  return clone;
}

}  // namespace tallyhall
