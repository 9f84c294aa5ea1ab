// The IPv4 socket address that identifies a zone server.
#ifndef TALLYHALL_BASE_ADDRESS_H_
#define TALLYHALL_BASE_ADDRESS_H_

#include <array>
#include <cstdint>
#include <string>

namespace tallyhall {

// An IPv4 address and port. `ip` holds the four address bytes in network
// order (ip[0] is the first number of the dotted text); `port` is in host
// order. Two addresses name the same sender when both fields are equal.
struct Address {
  std::array<std::uint8_t, 4> ip{};
  std::uint16_t port = 0;

  bool operator==(const Address&) const = default;

  // The four address bytes as a 4-byte string.
  std::string IpBytes() const {
    return std::string(reinterpret_cast<const char*>(ip.data()), ip.size());
  }
};

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_ADDRESS_H_
