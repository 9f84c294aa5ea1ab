// How the core sends datagrams. The UDP endpoint implements it over a real
// socket; tests use a fake that records every datagram.
#ifndef TALLYHALL_NET_TRANSPORT_H_
#define TALLYHALL_NET_TRANSPORT_H_

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

}  // namespace tallyhall

#endif  // TALLYHALL_NET_TRANSPORT_H_
