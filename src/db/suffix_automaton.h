// A text that only grows at its end and answers "does this occur in it?" in
// time proportional to the asked string, whatever the text's length.
#ifndef TALLYHALL_DB_SUFFIX_AUTOMATON_H_
#define TALLYHALL_DB_SUFFIX_AUTOMATON_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tallyhall {

// The suffix automaton of everything appended so far, built online: every
// byte appended costs amortised constant time, and Contains(s) walks |s|
// transitions. Bytes are 8-bit, NUL included. The automaton keeps at most
// 2n states and 3n transitions for a text of n bytes; transitions are kept
// in per-state lists inside one shared vector (about 12 bytes each), not in
// tables of 256 entries. Appending beyond 2^30 bytes fails with
// std::length_error and leaves the automaton as it was; a failed allocation
// (std::bad_alloc) leaves it unusable, to be discarded by the caller.
class SuffixAutomaton {
 public:
  SuffixAutomaton();

  // Extends the text by `bytes`.
  void Append(std::string_view bytes);

  // True exactly when text.find(pattern) != npos for the text appended so
  // far: case-sensitive, byte for byte, and always true for an empty
  // pattern (even on an empty text).
  bool Contains(std::string_view pattern) const;

  // Bytes appended so far.
  std::size_t size() const { return size_; }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct State {
    std::uint32_t length;  // longest string that reaches this state
    std::uint32_t link;    // suffix link; kNone for the initial state
    std::uint32_t edges;   // first transition of the list, kNone when none
  };
  struct Edge {
    std::uint32_t target;
    std::uint32_t next;  // next transition of the same state, or kNone
    unsigned char byte;
  };

  void Extend(unsigned char byte);
  // The transition of `state` on `byte`, or kNone.
  std::uint32_t EdgeOf(std::uint32_t state, unsigned char byte) const;
  void AddEdge(std::uint32_t state, unsigned char byte, std::uint32_t target);
  std::uint32_t NewState(std::uint32_t length, std::uint32_t link);
  // A copy of `state` (with its transitions) whose length is `length`.
  std::uint32_t Clone(std::uint32_t state, std::uint32_t length);

  std::vector<State> states_;
  std::vector<Edge> edges_;
  std::uint32_t last_ = 0;  // the state of the whole text
  std::size_t size_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SUFFIX_AUTOMATON_H_
