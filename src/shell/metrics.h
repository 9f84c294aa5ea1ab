// The metrics text: the counters and the state of the zone table written in
// the text format that Prometheus scrapes (version 0.0.4), and the
// MetricsAddress setting that turns the endpoint serving it on. The endpoint
// itself (shell/metrics_endpoint.h) only serves what the loop built here.
#ifndef TALLYHALL_SHELL_METRICS_H_
#define TALLYHALL_SHELL_METRICS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/address.h"

namespace tallyhall {

class ServerCore;

inline constexpr std::string_view kMetricsContentType =
    "text/plain; version=0.0.4; charset=utf-8";

// The moments the text needs beside the core: when the process started and
// now, as Unix times, and now on the core clock's steady count, which
// places the zones' last saves in Unix time.
struct MetricsTimes {
  double start_unix_seconds = 0;
  double now_unix_seconds = 0;
  std::int64_t now_steady_ms = 0;
};

// Every metric, from the counters and the zone table; reads only. Series
// labelled by server_id exist for the ServerIDs of the zones connected
// now, zones that share one adding up.
std::string MetricsText(ServerCore& core, const MetricsTimes& times);

// The address a MetricsAddress text names: four decimal numbers 0..255
// separated by dots, a colon and a port 1..65535, nothing else; nullopt
// for any other text.
std::optional<Address> MetricsAddressFromText(std::string_view text);

// The start-up warning for a MetricsAddress text that is set but names no
// address; empty for an empty text (the endpoint is off) or a good one.
std::string MetricsAddressWarning(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_METRICS_H_
