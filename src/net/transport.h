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
};

}  // namespace tallyhall

#endif  // TALLYHALL_NET_TRANSPORT_H_
