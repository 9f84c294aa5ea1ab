// The Asio glue: socket readiness, timers and signals on one io_context.
// Datagrams are taken in batches with recvmmsg and what a batch produces
// leaves with sendmmsg, in the order it was produced. Queued greetings leave
// in slices between batches.
#include "net/udp_endpoint.h"

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>

#include <array>
#include <asio.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "context/server_core.h"
#include "shell/server_events.h"

namespace tallyhall {
namespace {

// Datagrams longer than this are dropped whole.
constexpr std::size_t kMaxDatagram = 520;
// The most datagrams one receive takes.
constexpr std::size_t kBatch = 64;
// Batches handled in a row, and for how long at most, before the timers and
// signals that are due get their turn.
constexpr int kRoundsPerTurn = 8;
constexpr auto kTurn = std::chrono::milliseconds(2);
// How long the loop waits in the receive for the next datagram before it
// goes back to waiting for readiness with the timers and signals (the
// kernel rounds it up to its clock tick, a few milliseconds).
constexpr auto kLinger = std::chrono::microseconds(1000);
// The kernel takes at most this many datagrams per sendmmsg (UIO_MAXIOV).
constexpr std::size_t kMaxSendBatch = 1024;
// A long greeting queue or a long command is worked on in slices of about
// this long, what a slice sends leaving before the next starts, and the
// datagrams that arrived meanwhile are handled between two slices: a zone
// never waits much longer than two slices.
constexpr auto kWorkSlice = std::chrono::microseconds(1500);
// Greetings or records handed to the core per call; the slice's time is
// looked at between calls.
constexpr std::size_t kUnitsPerCall = 128;
constexpr auto kTick = std::chrono::seconds(kTickSeconds);

Address FromSockaddr(const sockaddr_in& from) {
  Address address;
  std::memcpy(address.ip.data(), &from.sin_addr.s_addr, address.ip.size());
  address.port = ntohs(from.sin_port);
  return address;
}

sockaddr_in ToSockaddr(const Address& address) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(address.port);
  std::memcpy(&to.sin_addr.s_addr, address.ip.data(), address.ip.size());
  return to;
}

// A datagram the core sent while a batch was handled: its bytes lie in the
// send queue's byte string at `offset`.
struct QueuedDatagram {
  sockaddr_in to;
  std::size_t offset;
  std::size_t size;
};

}  // namespace

struct UdpEndpoint::Loop {
  asio::io_context io;
  asio::ip::udp::socket socket{io};
  asio::steady_timer save_tick{io};
  asio::steady_timer greeting_timer{io};
  asio::steady_timer repaint_timer{io};
  asio::steady_timer watchdog_timer{io};
  asio::steady_timer second_timer{io};
  std::function<void()> every_second;
  asio::signal_set stop_signals{io, SIGINT, SIGTERM, SIGHUP};
  asio::signal_set resize_signal{io, SIGWINCH};
  ServerCore* core = nullptr;
  std::function<void()> on_resize;
  std::chrono::milliseconds watchdog_interval{0};
  std::function<void()> watchdog_kick;

  // One slot per datagram of a batch, one byte longer than the longest
  // datagram handed on, so that a longer one shows as too long.
  std::array<std::array<char, kMaxDatagram + 1>, kBatch> slots{};
  std::array<sockaddr_in, kBatch> senders{};
  std::array<iovec, kBatch> slot_iovecs{};
  std::array<mmsghdr, kBatch> received{};

  // While an event is handled, sends wait here and leave together after it.
  bool queueing = false;
  std::string queued_bytes;
  std::vector<QueuedDatagram> queued;
  std::vector<iovec> send_iovecs;
  std::vector<mmsghdr> send_headers;

  // The greeting timer's wait stays armed while logins push its deadline
  // later; it waits on when it fires early.
  bool greeting_waiting = false;
  std::chrono::steady_clock::time_point greeting_deadline;
  // True while the core's pending work is done slice by slice.
  bool working = false;
  bool repaint_waiting = false;

  Loop() {
    for (std::size_t i = 0; i < kBatch; ++i) {
      slot_iovecs[i] = {.iov_base = slots[i].data(),
                        .iov_len = slots[i].size()};
      received[i].msg_hdr.msg_name = &senders[i];
      received[i].msg_hdr.msg_iov = &slot_iovecs[i];
      received[i].msg_hdr.msg_iovlen = 1;
    }
  }

  // Runs one call into the core; a failure that escapes the core is logged,
  // never fatal.
  template <typename Call>
  void Guarded(Call&& call) {
    try {
      call();
    } catch (const std::exception& e) {
      core->WriteLogLine(std::string("Unexpected failure: ") + e.what(),
                         LogPriority::kError);
    } catch (...) {
      core->WriteLogLine("Unexpected failure", LogPriority::kError);
    }
  }

  // Runs one event of the loop: what it sends is queued, then its terminal
  // lines leave, then its datagrams, in the order they were produced.
  template <typename Event>
  void RunEvent(Event&& event) {
    const auto started = std::chrono::steady_clock::now();
    queueing = true;
    event();
    queueing = false;
    FlushConsole();
    SendQueued();
    core->counters().loop_turn_seconds.Observe(
        std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                      started)
            .count());
  }

  void FlushConsole() {
    std::int64_t wait = -1;
    Guarded([&] { wait = core->terminal().Flush(); });
    if (wait < 0 || repaint_waiting) return;
    repaint_waiting = true;
    repaint_timer.expires_after(std::chrono::milliseconds(wait));
    repaint_timer.async_wait([this](const asio::error_code& error) {
      repaint_waiting = false;
      if (!error) RunEvent([] {});
    });
  }

  void Queue(const Address& to, std::string_view bytes) {
    queued.push_back({.to = ToSockaddr(to),
                      .offset = queued_bytes.size(),
                      .size = bytes.size()});
    queued_bytes.append(bytes);
  }

  // Sends every queued datagram in order. A datagram the kernel refuses is
  // dropped (the protocol has no retransmission); a full send buffer is
  // waited for, as a blocking send would.
  void SendQueued() {
    const std::size_t count = queued.size();
    if (count == 0) return;
    send_iovecs.resize(count);
    send_headers.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      send_iovecs[i] = {.iov_base = queued_bytes.data() + queued[i].offset,
                        .iov_len = queued[i].size};
      send_headers[i] = {};
      send_headers[i].msg_hdr.msg_name = &queued[i].to;
      send_headers[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
      send_headers[i].msg_hdr.msg_iov = &send_iovecs[i];
      send_headers[i].msg_hdr.msg_iovlen = 1;
    }
    const int fd = socket.native_handle();
    std::size_t next = 0;
    while (next < count) {
      const auto chunk =
          static_cast<unsigned int>(std::min(count - next, kMaxSendBatch));
      const int sent = ::sendmmsg(fd, &send_headers[next], chunk, MSG_DONTWAIT);
      if (sent > 0) {
        next += static_cast<std::size_t>(sent);
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd writable{.fd = fd, .events = POLLOUT, .revents = 0};
        ::poll(&writable, 1, -1);
      } else if (errno != EINTR) {
        ++next;
      }
    }
    queued.clear();
    queued_bytes.clear();
  }

  // Takes up to `limit` datagrams, waiting at most kLinger (the socket's
  // receive timeout) for the first; returns how many, 0 when none came, -1
  // when a signal or another failure cut the wait short. While pending work
  // waits for its next slice it does not wait at all: a steady trickle of
  // datagrams would otherwise keep the loop lingering instead of working.
  // A single datagram is read with recvfrom, whose path through the kernel
  // is shorter.
  int ReceiveBatch(std::size_t limit) {
    const int fd = socket.native_handle();
    const int no_linger = working ? MSG_DONTWAIT : 0;
    if (limit == 1) {
      socklen_t size = sizeof(sockaddr_in);
      const ssize_t got =
          ::recvfrom(fd, slots[0].data(), slots[0].size(), no_linger,
                     reinterpret_cast<sockaddr*>(&senders[0]), &size);
      if (got >= 0) {
        received[0].msg_len = static_cast<unsigned int>(got);
        return 1;
      }
    } else {
      // The kernel writes each sender's address length back.
      for (mmsghdr& header : received) {
        header.msg_hdr.msg_namelen = sizeof(sockaddr_in);
      }
      const int got =
          ::recvmmsg(fd, received.data(), static_cast<unsigned int>(limit),
                     MSG_WAITFORONE | no_linger, nullptr);
      if (got >= 0) return got;
    }
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }

  // Entered when the socket is readable: handles the datagrams batch by
  // batch, each datagram to completion in arrival order. Between batches it
  // lingers in the receive for the next one, which answers a steady flow as
  // soon as a blocking receive would; once none comes within kLinger it
  // waits for readiness again. After kRoundsPerTurn batches or kTurn (or a
  // signal) the other events that are due run first. A batch of one is followed
  // by single reads for the rest of the turn: one request at a time is then
  // answered sooner, and the next turn batches again.
  void ReadBatches() {
    // Asio makes the socket non-blocking for its readiness wait; the linger
    // needs it blocking.
    asio::error_code ignored;
    if (socket.native_non_blocking())
      socket.native_non_blocking(false, ignored);
    std::size_t limit = kBatch;
    const auto turn_end = std::chrono::steady_clock::now() + kTurn;
    for (int round = 0; round < kRoundsPerTurn; ++round) {
      const int got = ReceiveBatch(limit);
      if (got == 0) {
        WaitForDatagrams();
        return;
      }
      if (got < 0) break;
      HandleBatch(static_cast<std::size_t>(got));
      if (got == 1) limit = 1;
      if (std::chrono::steady_clock::now() > turn_end) break;
    }
    asio::post(io, [this] { ReadBatches(); });
  }

  void HandleBatch(std::size_t count) {
    RunEvent([&] {
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t size = received[i].msg_len;
        if (size > kMaxDatagram) OnDatagramTooLong(*core, size);
        if (size < 1 || size > kMaxDatagram) continue;
        Guarded([&] {
          OnDatagram(*core, FromSockaddr(senders[i]),
                     std::string_view(slots[i].data(), size));
        });
      }
    });
  }

  void WaitForDatagrams() {
    socket.async_wait(asio::socket_base::wait_read,
                      [this](const asio::error_code& error) {
                        if (error == asio::error::operation_aborted) return;
                        ReadBatches();
                      });
  }

  void ArmSaveTick() {
    save_tick.expires_at(save_tick.expiry() + kTick);
    save_tick.async_wait([this](const asio::error_code& error) {
      if (error) return;
      RunEvent([&] { Guarded([&] { OnSaveTick(*core); }); });
      ArmSaveTick();
    });
  }

  void WaitForGreetingDeadline() {
    greeting_waiting = true;
    greeting_timer.expires_at(greeting_deadline);
    greeting_timer.async_wait([this](const asio::error_code& error) {
      // Cancelled: a wait for an earlier deadline has taken its place.
      if (error) return;
      greeting_waiting = false;
      if (greeting_deadline > std::chrono::steady_clock::now()) {
        WaitForGreetingDeadline();
        return;
      }
      RunEvent([&] { Guarded([&] { core->StartGreetingRelease(); }); });
      if (!working) DoPendingWork();
    });
  }

  void ArmWatchdog() {
    watchdog_timer.expires_after(watchdog_interval);
    watchdog_timer.async_wait([this](const asio::error_code& error) {
      if (error) return;
      Guarded(watchdog_kick);
      ArmWatchdog();
    });
  }

  // Does one slice of the core's pending work (due greetings, long
  // commands), then lets the other events that are ready run before the
  // next slice.
  void DoPendingWork() {
    const auto slice_end = std::chrono::steady_clock::now() + kWorkSlice;
    bool more = false;
    do {
      more = false;
      RunEvent([&] {
        Guarded([&] { more = tallyhall::DoPendingWork(*core, kUnitsPerCall); });
      });
    } while (more && std::chrono::steady_clock::now() < slice_end);
    working = more;
    if (more) asio::post(io, [this] { DoPendingWork(); });
  }

  void ArmSecondTimer() {
    second_timer.expires_at(second_timer.expiry() + std::chrono::seconds(1));
    second_timer.async_wait([this](const asio::error_code& error) {
      if (error) return;
      RunEvent([&] { Guarded(every_second); });
      ArmSecondTimer();
    });
  }

  void WaitForStop() {
    stop_signals.async_wait([this](const asio::error_code& error, int) {
      if (error) return;
      io.stop();
    });
  }

  void WaitForResize() {
    resize_signal.async_wait([this](const asio::error_code& error, int) {
      if (error) return;
      if (on_resize) RunEvent([&] { Guarded(on_resize); });
      WaitForResize();
    });
  }
};

UdpEndpoint::UdpEndpoint() : loop_(std::make_unique<Loop>()) {}

UdpEndpoint::~UdpEndpoint() = default;

Status UdpEndpoint::Open(std::uint16_t port) {
  asio::error_code error;
  loop_->socket.open(asio::ip::udp::v4(), error);
  if (!error) {
    loop_->socket.bind({asio::ip::address_v4::any(), port}, error);
  }
  if (!error) {
    // Bounds the receive's linger; a signal cuts it short.
    const timeval linger{.tv_sec = 0, .tv_usec = kLinger.count()};
    if (::setsockopt(loop_->socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO,
                     &linger, sizeof linger) != 0) {
      error.assign(errno, asio::system_category());
    }
  }
  if (error) {
    asio::error_code ignored;
    loop_->socket.close(ignored);
    return Status::Error(error.message());
  }
  return Status::Ok();
}

void UdpEndpoint::Run(ServerCore& core, std::function<void()> on_resize) {
  loop_->core = &core;
  loop_->on_resize = std::move(on_resize);
  loop_->save_tick.expires_at(std::chrono::steady_clock::now());
  loop_->ArmSaveTick();
  if (loop_->every_second) {
    loop_->second_timer.expires_at(std::chrono::steady_clock::now());
    loop_->ArmSecondTimer();
  }
  loop_->WaitForDatagrams();
  loop_->WaitForStop();
  loop_->WaitForResize();
  if (loop_->watchdog_interval.count() > 0) loop_->ArmWatchdog();
  // The lines of the start-up reach stdout before the first wait.
  loop_->RunEvent([] {});
  loop_->io.run();
}

void UdpEndpoint::SetWatchdog(std::chrono::milliseconds interval,
                              std::function<void()> kick) {
  loop_->watchdog_interval = interval;
  loop_->watchdog_kick = std::move(kick);
}

void UdpEndpoint::EverySecond(std::function<void()> call) {
  loop_->every_second = std::move(call);
}

void UdpEndpoint::SendDatagram(const Address& to, std::string_view bytes) {
  loop_->Queue(to, bytes);
  // Outside the loop's events (the shutdown) a datagram leaves at once.
  if (!loop_->queueing) loop_->SendQueued();
}

void UdpEndpoint::Flush() { loop_->SendQueued(); }

void UdpEndpoint::WantPendingWork() {
  Loop& loop = *loop_;
  if (loop.working) return;
  loop.working = true;
  asio::post(loop.io, [&loop] { loop.DoPendingWork(); });
}

void UdpEndpoint::ArmGreetingTimer(std::int64_t delay_ms) {
  Loop& loop = *loop_;
  loop.greeting_deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms);
  // A wait that ends no later than the new deadline waits on from there.
  if (loop.greeting_waiting &&
      loop.greeting_timer.expiry() <= loop.greeting_deadline) {
    return;
  }
  loop.WaitForGreetingDeadline();
}

}  // namespace tallyhall
