// How the core sends datagrams and arms the loop's timers. The UDP endpoint
// implements both over a real socket and its timers; tests use fakes that
// record every datagram and every arming.
#ifndef TALLYHALL_CONTEXT_TRANSPORT_H_
#define TALLYHALL_CONTEXT_TRANSPORT_H_

#include <cstdint>
#include <string_view>

#include "base/address.h"

namespace tallyhall {

class Transport {
 public:
  virtual ~Transport() = default;
  // Sends `bytes` (8-bit, may hold NUL) as one datagram. Failures are not
  // reported: the protocol has no retransmission.
  virtual void SendDatagram(const Address& to, std::string_view bytes) = 0;
  // Sends at once what SendDatagram calls left waiting (a transport may
  // hold datagrams back to send them together): used before work that
  // takes long, such as a save, which must not delay what was sent before.
  virtual void Flush() {}
};

// The loop's timers, as the core sees them.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Arms the greeting timer to fire `delay_ms` milliseconds from now (0:
  // as soon as the loop can), cancelling a pending expiry.
  virtual void ArmGreetingTimer(std::int64_t delay_ms) = 0;
  // Work waits for the loop's spare turns (DoPendingWork in
  // shell/server_events.h).
  virtual void WantPendingWork() {}
};

}  // namespace tallyhall

#endif  // TALLYHALL_CONTEXT_TRANSPORT_H_
