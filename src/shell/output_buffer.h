// Output to a file descriptor that never blocks the loop: what the
// descriptor does not take at once waits in a bounded buffer and leaves on a
// later Drain. Used for standard output, whose reader (a terminal, a pipe,
// the journal) may stop reading at any time.
#ifndef TALLYHALL_SHELL_OUTPUT_BUFFER_H_
#define TALLYHALL_SHELL_OUTPUT_BUFFER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tallyhall {

class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  // `fd` is not owned and must stay open while the buffer lives. Writes to
  // a socket are sent with MSG_DONTWAIT; a pipe or terminal is opened again
  // (through /proc/self/fd) as a description of our own in non-blocking
  // mode, so that no other process sharing `fd` sees the mode change; when
  // that is not possible, `fd` itself is made non-blocking until the buffer
  // goes. Regular files and other devices are written as they are.
  explicit OutputBuffer(int fd, std::size_t capacity = kDefaultCapacity);
  // Restores `fd`'s mode when it was changed; drops what is left.
  ~OutputBuffer();

  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Adds all of `bytes` when they fit in the capacity beside what waits, or
  // when nothing waits (so that no single piece is refused for ever);
  // otherwise adds nothing and returns false. Never writes.
  bool Append(std::string_view bytes);
  // Writes what the descriptor takes now, without waiting. A write error
  // other than "would block" drops what waits (nobody can read it). True
  // when nothing waits afterwards.
  bool Drain();
  // Drain, waiting at most `timeout_ms` in all for the descriptor to take
  // more: for the exit, where there is no later turn of the loop.
  bool DrainFor(int timeout_ms);

  bool empty() const { return head_ == bytes_.size(); }
  std::size_t waiting() const { return bytes_.size() - head_; }

 private:
  enum class Mode { kWrite, kSend };

  int fd_;                  // where bytes go: `fd` or our own description
  int own_fd_ = -1;         // our own description, closed at the end
  int restore_flags_ = -1;  // `fd`'s flags to put back, when we changed them
  int original_fd_;
  Mode mode_ = Mode::kWrite;
  std::size_t capacity_;
  std::string bytes_;  // bytes_[head_..] wait to be written
  std::size_t head_ = 0;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_OUTPUT_BUFFER_H_
