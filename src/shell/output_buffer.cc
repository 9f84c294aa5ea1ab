// Non-blocking output with a bounded buffer.
#include "shell/output_buffer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace tallyhall {

namespace {

// A description of the file behind `fd` that belongs to this process alone,
// non-blocking; -1 when the system does not give one.
int ReopenNonBlocking(int fd) {
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  return ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

}  // namespace

OutputBuffer::OutputBuffer(int fd, std::size_t capacity)
    : fd_(fd), original_fd_(fd), capacity_(capacity) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return;
  if (S_ISSOCK(info.st_mode)) {
    mode_ = Mode::kSend;
    return;
  }
  // Only pipes and terminals can make a writer wait on its reader.
  if (!S_ISFIFO(info.st_mode) && !::isatty(fd)) return;
  own_fd_ = ReopenNonBlocking(fd);
  if (own_fd_ >= 0) {
    fd_ = own_fd_;
    return;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && (flags & O_NONBLOCK) == 0 &&
      ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
    restore_flags_ = flags;
  }
}

OutputBuffer::~OutputBuffer() {
  if (own_fd_ >= 0) ::close(own_fd_);
  if (restore_flags_ >= 0) ::fcntl(original_fd_, F_SETFL, restore_flags_);
}

bool OutputBuffer::Append(std::string_view bytes) {
  if (!empty() && waiting() + bytes.size() > capacity_) return false;
  // What was written already goes before the buffer would grow for it.
  if (head_ > 0 && bytes_.size() + bytes.size() > bytes_.capacity()) {
    bytes_.erase(0, head_);
    head_ = 0;
  }
  bytes_.append(bytes);
  return true;
}

bool OutputBuffer::Drain() {
  while (!empty()) {
    const char* data = bytes_.data() + head_;
    const std::size_t size = waiting();
    const ssize_t wrote =
        mode_ == Mode::kSend
            ? ::send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL)
            : ::write(fd_, data, size);
    if (wrote > 0) {
      head_ += static_cast<std::size_t>(wrote);
      continue;
    }
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    // A closed reader, a full disk: what waits can never be read.
    head_ = bytes_.size();
  }
  bytes_.clear();
  head_ = 0;
  return true;
}

bool OutputBuffer::DrainFor(int timeout_ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!Drain()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd writable{.fd = fd_, .events = POLLOUT, .revents = 0};
    ::poll(&writable, 1, static_cast<int>(left));
  }
  return true;
}

}  // namespace tallyhall
