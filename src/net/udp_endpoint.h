// The event loop: one UDP socket, the 30-second save tick, the restartable
// greeting timer and the signals, all on one thread. It forwards each event
// to the events of shell/server_events.h and knows nothing about the
// protocol. With shell/main.cc, the only code that includes Asio; it sits on
// the roof's floor beside them.
#ifndef TALLYHALL_NET_UDP_ENDPOINT_H_
#define TALLYHALL_NET_UDP_ENDPOINT_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/status.h"
#include "context/transport.h"

namespace tallyhall {

class ServerCore;

class UdpEndpoint : public Transport, public Scheduler {
 public:
  UdpEndpoint();
  ~UdpEndpoint() override;

  UdpEndpoint(const UdpEndpoint&) = delete;
  UdpEndpoint& operator=(const UdpEndpoint&) = delete;

  // Opens an IPv4 UDP socket bound to all local addresses on `port`. On
  // failure the status names the system's reason.
  Status Open(std::uint16_t port);

  // Runs until SIGINT, SIGTERM or SIGHUP: each datagram of 1 to 520 bytes
  // goes to OnDatagram, the tick to OnSaveTick every 30 seconds from now,
  // the greeting timer to core.StartGreetingRelease and then to
  // DoPendingWork slice by slice between datagrams, as is a long command's
  // work (shell/server_events.h). On a signal
  // returns with the socket still open, so that the caller's shutdown can
  // still send. SIGWINCH calls `on_resize`.
  void Run(ServerCore& core, std::function<void()> on_resize);
  // Before Run: `call` runs as an event of the loop once a second while it
  // runs.
  void EverySecond(std::function<void()> call);

  // Makes Run call `kick` every `interval` on a timer of its own, so that a
  // service manager's watchdog hears from the loop itself and only a stuck
  // loop misses it. A zero interval (the start value) arms nothing. Call
  // before Run.
  void SetWatchdog(std::chrono::milliseconds interval,
                   std::function<void()> kick);

  void SendDatagram(const Address& to, std::string_view bytes) override;
  void Flush() override;
  void ArmGreetingTimer(std::int64_t delay_ms) override;
  void WantPendingWork() override;

 private:
  struct Loop;
  std::unique_ptr<Loop> loop_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_NET_UDP_ENDPOINT_H_
