// The result of a file or settings operation that can fail.
#ifndef TALLYHALL_BASE_STATUS_H_
#define TALLYHALL_BASE_STATUS_H_

#include <string>
#include <utility>

namespace tallyhall {

// Either OK or an error with a message that names what failed and why
// (for file errors: the file name and the strerror text). A Status must be
// looked at: a caller that drops one on purpose says why where it does so.
// Steps of handling that fail by the failure rule use Fail() instead (see
// base/failure.h).
class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  static Status Error(std::string message) {
    Status s;
    s.ok_ = false;
    s.message_ = std::move(message);
    return s;
  }

  bool ok() const { return ok_; }
  const std::string& message() const { return message_; }

 private:
  bool ok_ = true;
  std::string message_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_STATUS_H_
