// Texts of the failure rule.
#include "base/failure.h"

namespace tallyhall {

std::string FailureText(FailureKind kind) {
  switch (kind) {
    case FailureKind::kInvalidCall:
      return "Invalid procedure call or argument 5";
    case FailureKind::kOverflow:
      return "Overflow 6";
    case FailureKind::kOutOfMemory:
      return "Out of memory 7";
    case FailureKind::kSubscriptOutOfRange:
      return "Subscript out of range 9";
    case FailureKind::kTypeMismatch:
      return "Type mismatch 13";
    case FailureKind::kFileNotFound:
      return "File not found 53";
    case FailureKind::kFileAccess:
      return "File access error 75";
  }
  return "Failure 0";
}

}  // namespace tallyhall
