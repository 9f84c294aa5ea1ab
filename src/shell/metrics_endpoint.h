// The HTTP endpoint that serves the metrics text: GET /metrics on its own
// threads. It never touches the server's state: the loop publishes a
// finished text with Publish, and a request answers with the latest text
// published. The only file that includes the HTTP library.
#ifndef TALLYHALL_SHELL_METRICS_ENDPOINT_H_
#define TALLYHALL_SHELL_METRICS_ENDPOINT_H_

#include <memory>
#include <string>

#include "base/address.h"
#include "base/status.h"

namespace tallyhall {

class ServerCore;

class MetricsEndpoint {
 public:
  MetricsEndpoint();
  // Stops serving and joins the endpoint's threads; a request in progress
  // ends within the endpoint's read and write time-outs.
  ~MetricsEndpoint();

  MetricsEndpoint(const MetricsEndpoint&) = delete;
  MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

  // Binds `address` and starts serving on a thread of its own. On failure
  // the status names the reason and nothing runs.
  Status Open(const Address& address);

  // Builds the metrics text from `core` and makes it the answer to requests
  // from now on. Called on the loop's thread; the lock it takes is held by
  // requests only to copy a pointer, so a slow client never holds it.
  void Publish(ServerCore& core);

 private:
  struct Server;
  std::unique_ptr<Server> server_;
};

// Opens the endpoint that the MetricsAddress setting names and publishes a
// first text. Null when the setting is empty; also null, after one terminal
// line saying why, when it names no address or the address cannot be bound.
std::unique_ptr<MetricsEndpoint> OpenMetricsEndpoint(ServerCore& core);

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_METRICS_ENDPOINT_H_
