// The metrics endpoint over cpp-httplib. Every bound on what a client can
// make it do is set here: how many connections are served and wait, how
// long a request may take to arrive and to leave, how many requests one
// connection and all clients together may make.
#include "shell/metrics_endpoint.h"

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "context/server_core.h"
#include "db/encoding.h"
#include "shell/metrics.h"

namespace tallyhall {
namespace {

// Connections served at once, and accepted ones waiting for a worker. When
// the wait is full the accepting thread stops accepting, so that further
// connections wait in the kernel's short backlog and are then refused,
// instead of holding open sockets without end.
constexpr std::size_t kWorkers = 2;
constexpr std::size_t kWaiting = 8;
// A request must arrive, and its answer leave, within this; an idle
// connection is closed after it.
constexpr std::time_t kTimeoutSeconds = 2;
constexpr std::size_t kRequestsPerConnection = 16;
// Requests are served at this rate over all clients, with bursts of up to
// kBurst; past it they get 429. Prometheus asks once per scrape interval.
constexpr double kRequestsPerSecond = 20;
constexpr double kBurst = 40;
// A scrape has no body; anything larger is refused unread.
constexpr std::size_t kMaxBody = 1024;

// The workers and their bounded queue of accepted connections.
class BoundedWorkers : public httplib::TaskQueue {
 public:
  BoundedWorkers() {
    for (std::size_t i = 0; i < kWorkers; ++i) {
      threads_.emplace_back([this] { Work(); });
    }
  }

  // Called by the accepting thread only; waits while the queue is full.
  void enqueue(std::function<void()> fn) override {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return jobs_.size() < kWaiting; });
    jobs_.push_back(std::move(fn));
    work_.notify_one();
  }

  // Serves what is queued, then ends the workers.
  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      room_.notify_one();
      job();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable room_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// A token bucket shared by the workers.
class RequestBudget {
 public:
  bool Take() {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> passed = now - last_;
    last_ = now;
    tokens_ = std::min(kBurst, tokens_ + passed.count() * kRequestsPerSecond);
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
  }

 private:
  std::mutex mutex_;
  double tokens_ = kBurst;
  std::chrono::steady_clock::time_point last_ =
      std::chrono::steady_clock::now();
};

double UnixSecondsNow() {
  return std::chrono::duration<double>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Refuse(httplib::Response& res, int status, const char* text) {
  res.status = status;
  res.set_content(text, "text/plain; charset=utf-8");
}

}  // namespace

struct MetricsEndpoint::Server {
  httplib::Server http;
  std::thread listener;
  // Set by the listener when it stops listening.
  std::atomic<bool> listener_done{false};
  RequestBudget budget;
  double start_unix_seconds = UnixSecondsNow();
  std::mutex mutex;
  std::shared_ptr<const std::string> text = std::make_shared<std::string>();

  std::shared_ptr<const std::string> Latest() {
    std::lock_guard lock(mutex);
    return text;
  }

  // Every request is answered here, before the library reads a body or
  // looks for routes.
  httplib::Server::HandlerResponse Answer(const httplib::Request& req,
                                          httplib::Response& res) {
    if (req.path != "/metrics") {
      Refuse(res, 404, "Not found: the metrics are at /metrics\n");
    } else if (req.method != "GET" && req.method != "HEAD") {
      Refuse(res, 405, "Method not allowed: use GET\n");
      res.set_header("Allow", "GET, HEAD");
    } else if (!budget.Take()) {
      Refuse(res, 429, "Too many requests\n");
      res.set_header("Retry-After", "1");
    } else {
      res.set_content(*Latest(), std::string(kMetricsContentType));
    }
    return httplib::Server::HandlerResponse::Handled;
  }

  void Configure() {
    http.new_task_queue = [] { return new BoundedWorkers; };
    http.set_read_timeout(kTimeoutSeconds);
    http.set_write_timeout(kTimeoutSeconds);
    http.set_keep_alive_timeout(kTimeoutSeconds);
    http.set_keep_alive_max_count(kRequestsPerConnection);
    http.set_payload_max_length(kMaxBody);
    http.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) {
          return Answer(req, res);
        });
  }
};

MetricsEndpoint::MetricsEndpoint() : server_(std::make_unique<Server>()) {}

MetricsEndpoint::~MetricsEndpoint() {
  if (!server_->listener.joinable()) return;
  // A stop before the listener has begun would be lost, and the join would
  // wait for ever.
  while (!server_->http.is_running() && !server_->listener_done) {
    std::this_thread::yield();
  }
  server_->http.stop();
  server_->listener.join();
}

Status MetricsEndpoint::Open(const Address& address) {
  server_->Configure();
  errno = 0;
  if (!server_->http.bind_to_port(IpText(address.IpBytes()), address.port)) {
    return Status::Error(errno != 0 ? std::strerror(errno)
                                    : "the address cannot be bound");
  }
  // The endpoint's threads take no signals: they are the loop's.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  server_->listener = std::thread([this] {
    server_->http.listen_after_bind();
    server_->listener_done = true;
  });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return Status::Ok();
}

void MetricsEndpoint::Publish(ServerCore& core) {
  MetricsTimes times{.start_unix_seconds = server_->start_unix_seconds,
                     .now_unix_seconds = UnixSecondsNow(),
                     .now_steady_ms = core.clock().SteadyMilliseconds()};
  auto next = std::make_shared<const std::string>(MetricsText(core, times));
  std::shared_ptr<const std::string> old;
  {
    std::lock_guard lock(server_->mutex);
    old = std::exchange(server_->text, std::move(next));
  }
  // `old` is freed here, outside the lock, unless a request still sends it.
}

std::unique_ptr<MetricsEndpoint> OpenMetricsEndpoint(ServerCore& core) {
  const std::string& setting = core.settings().metrics_address;
  if (setting.empty()) return nullptr;
  const std::optional<Address> address = MetricsAddressFromText(setting);
  if (!address) {
    core.WriteLogLine(MetricsAddressWarning(setting));
    return nullptr;
  }
  auto endpoint = std::make_unique<MetricsEndpoint>();
  Status opened = endpoint->Open(*address);
  if (!opened.ok()) {
    core.WriteLogLine("Metrics endpoint " + setting + " could not be opened: " +
                      opened.message() + "; the server goes on without it");
    return nullptr;
  }
  endpoint->Publish(core);
  core.WriteLogLine("Metrics endpoint open at http://" + setting + "/metrics");
  return endpoint;
}

}  // namespace tallyhall
