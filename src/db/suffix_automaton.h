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
// byte appended costs amortised constant time (a state's transitions are
// scanned, at most 256), and Contains(s) follows |s| transitions. Bytes are
// 8-bit, NUL included. A text of n bytes needs at most 2n states and 3n
// transitions. Each state keeps its transitions in one block of a shared pool,
// sized to the next power of two, so a state costs what it uses (8 bytes a
// transition), not 256 entries. Appending beyond 2^27 bytes fails with
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
    std::uint32_t length;  // of the longest string that reaches the state
    std::uint32_t link;    // suffix link; kNone for the initial state
    std::uint32_t first;   // the state's block in the pool
    std::uint32_t count;   // transitions in the block
  };

  void Extend(unsigned char byte);
  // The pool position of the transition of `state` on `byte`, or kNone.
  std::uint32_t Find(std::uint32_t state, unsigned char byte) const;
  void AddTransition(std::uint32_t state, unsigned char byte,
                     std::uint32_t target);
  // A fresh pool block able to hold `count` transitions.
  std::uint32_t NewBlock(std::uint32_t count);
  std::uint32_t NewState(std::uint32_t length, std::uint32_t link);
  // A copy of `state` (with its transitions) whose length is `length`.
  std::uint32_t Clone(std::uint32_t state, std::uint32_t length);

  std::vector<State> states_;
  struct Transition {
    std::uint32_t target;
    unsigned char byte;
  };

  std::vector<Transition> pool_;
  std::uint32_t last_ = 0;  // the state of the whole text
  std::size_t size_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_DB_SUFFIX_AUTOMATON_H_
