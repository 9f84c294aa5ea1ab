// The Asio glue: socket, timers and signals on one io_context.
#include "net/udp_endpoint.h"

#include <signal.h>

#include <array>
#include <asio.hpp>
#include <chrono>
#include <exception>

namespace tallyhall {
namespace {

// Datagrams longer than this are dropped unread.
constexpr std::size_t kMaxDatagram = 520;
constexpr auto kTick = std::chrono::seconds(kTickSeconds);

Address FromEndpoint(const asio::ip::udp::endpoint& endpoint) {
  Address address;
  const auto bytes = endpoint.address().to_v4().to_bytes();
  for (std::size_t i = 0; i < 4; ++i) address.ip[i] = bytes[i];
  address.port = endpoint.port();
  return address;
}

asio::ip::udp::endpoint ToEndpoint(const Address& address) {
  asio::ip::address_v4::bytes_type bytes;
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = address.ip[i];
  return {asio::ip::address_v4(bytes), address.port};
}

}  // namespace

struct UdpEndpoint::Loop {
  asio::io_context io;
  asio::ip::udp::socket socket{io};
  asio::steady_timer save_tick{io};
  asio::steady_timer greeting_timer{io};
  asio::signal_set stop_signals{io, SIGINT, SIGTERM, SIGHUP};
  asio::signal_set resize_signal{io, SIGWINCH};
  // Room for any UDP datagram, so that an oversized one is seen whole and
  // dropped instead of being handed on truncated.
  std::array<char, 65536> buffer{};
  asio::ip::udp::endpoint sender;
  ServerCore* core = nullptr;
  std::function<void()> on_resize;

  // Runs one event; a failure that escapes the core is logged, never fatal.
  template <typename Event>
  void Guarded(Event&& event) {
    try {
      event();
    } catch (const std::exception& e) {
      core->WriteLogLine(std::string("Unexpected failure: ") + e.what());
    } catch (...) {
      core->WriteLogLine("Unexpected failure");
    }
  }

  void Receive() {
    socket.async_receive_from(
        asio::buffer(buffer), sender,
        [this](const asio::error_code& error, std::size_t size) {
          if (error == asio::error::operation_aborted) return;
          if (!error && size >= 1 && size <= kMaxDatagram) {
            Guarded([&] {
              core->OnDatagram(FromEndpoint(sender),
                               std::string_view(buffer.data(), size));
            });
          }
          Receive();
        });
  }

  void ArmSaveTick() {
    save_tick.expires_at(save_tick.expiry() + kTick);
    save_tick.async_wait([this](const asio::error_code& error) {
      if (error) return;
      Guarded([&] { core->OnSaveTick(); });
      ArmSaveTick();
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
      if (on_resize) on_resize();
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
  loop_->Receive();
  loop_->WaitForStop();
  loop_->WaitForResize();
  loop_->io.run();
}

void UdpEndpoint::SendDatagram(const Address& to, std::string_view bytes) {
  asio::error_code ignored;
  loop_->socket.send_to(asio::buffer(bytes.data(), bytes.size()),
                        ToEndpoint(to), 0, ignored);
}

void UdpEndpoint::ArmGreetingTimer(std::int64_t delay_ms) {
  loop_->greeting_timer.expires_after(std::chrono::milliseconds(delay_ms));
  loop_->greeting_timer.async_wait([this](const asio::error_code& error) {
    if (error) return;
    // An expiry that was already due when a later login restarted the timer
    // still completes without an error: the greetings then wait for the new
    // expiry instead.
    if (loop_->greeting_timer.expiry() > std::chrono::steady_clock::now()) {
      return;
    }
    loop_->Guarded([&] { loop_->core->OnGreetingTimer(); });
  });
}

}  // namespace tallyhall
