// The failure rule: a step that fails while a datagram or a tick is handled
// writes one terminal line (description, blank, numeric code), has no effect,
// and handling goes on with the next step.
//
// Two ways to fail, and when each is used:
// - Status (base/status.h) for operations on files and the settings, whose
//   caller decides what the failure means: a load that failed keeps the
//   zone's files from being overwritten, a save that failed is tried again,
//   a refused ?bset shows what the file still holds. Status is [[nodiscard]];
//   where one is dropped on purpose, the code says so at that place.
// - The failure rule for a step of handling (a number out of range, a
//   position outside a table, a file a step cannot use): the step calls
//   Fail(kind), or a library call throws, and RunStep turns the exception
//   into the step's terminal line. Exceptions never leave RunStep.
//
// Library exceptions and their codes: std::bad_alloc and std::length_error
// (a string or table that cannot grow) are "Out of memory 7";
// std::out_of_range (a position outside a string) is "Subscript out of
// range 9". Any other exception is a fault of our own and is not caught
// here; the event loop's last guard logs it.
#ifndef TALLYHALL_BASE_FAILURE_H_
#define TALLYHALL_BASE_FAILURE_H_

#include <new>
#include <stdexcept>
#include <string>

#include "base/terminal.h"

namespace tallyhall {

enum class FailureKind {
  kInvalidCall = 5,          // "Invalid procedure call or argument 5"
  kOverflow = 6,             // "Overflow 6"
  kOutOfMemory = 7,          // "Out of memory 7"
  kSubscriptOutOfRange = 9,  // "Subscript out of range 9"
  kTypeMismatch = 13,        // "Type mismatch 13"
  kFileNotFound = 53,        // "File not found 53"
  kFileAccess = 75,          // "File access error 75"
};

// Thrown by a step that cannot go on; caught by RunStep. Never leaves the
// core.
struct StepFailure {
  FailureKind kind;
};

[[noreturn]] inline void Fail(FailureKind kind) { throw StepFailure{kind}; }

// "Overflow 6" and the like: the terminal text of a failure.
std::string FailureText(FailureKind kind);

// Runs one step. Returns true when it completed; on a failure writes the
// failure's line (LogPriority::kError) and returns false, so the caller goes
// on (or skips what needed the step's result).
template <typename Step>
bool RunStep(Terminal& terminal, Step&& step) {
  try {
    step();
    return true;
  } catch (const StepFailure& failure) {
    terminal.WriteFailureLine(FailureText(failure.kind));
  } catch (const std::bad_alloc&) {
    terminal.WriteFailureLine(FailureText(FailureKind::kOutOfMemory));
  } catch (const std::length_error&) {
    terminal.WriteFailureLine(FailureText(FailureKind::kOutOfMemory));
  } catch (const std::out_of_range&) {
    terminal.WriteFailureLine(FailureText(FailureKind::kSubscriptOutOfRange));
  }
  return false;
}

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_FAILURE_H_
