// The packet interpreter: every datagram the endpoint receives comes here
// with its sender. It answers connection requests, logs zones in and off,
// acknowledges reliable messages from connected zones and hands each to its
// handler by message type (the table in interpreter.cc).
#ifndef TALLYHALL_NET_INTERPRETER_H_
#define TALLYHALL_NET_INTERPRETER_H_

#include <string_view>

#include "base/address.h"

namespace tallyhall {

class ServerCore;

// Handles one datagram from `sender`: answers connection requests, logs
// zones in and off, acknowledges and dispatches reliable messages from
// connected zones. Anything else from an unknown sender is answered with
// Disconnect, except a Disconnect. Never throws; failures follow the failure
// rule.
void InterpretPacket(ServerCore& core, const Address& sender,
                     std::string_view datagram);

}  // namespace tallyhall

#endif  // TALLYHALL_NET_INTERPRETER_H_
