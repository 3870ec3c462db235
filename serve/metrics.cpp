#include "serve/metrics.h"

#include <algorithm>
#include <cstdio>

namespace korvalind::serve {
namespace {

void Line(std::string* out, const char* format, auto... values) {
  char line[256];
  int length = std::snprintf(line, sizeof line, format, values...);
  if (length > 0) out->append(line, std::min<size_t>(static_cast<size_t>(length), sizeof line - 1));
}

}  // namespace

void Metrics::Shard::CountRequest(Endpoint endpoint, int status, std::chrono::nanoseconds latency) {
  const auto* found = std::find(kCountedStatuses.begin(), kCountedStatuses.end(), status);
  Bump(requests_[static_cast<size_t>(endpoint)]
                [static_cast<size_t>(found - kCountedStatuses.begin())]);
  double seconds = std::chrono::duration<double>(latency).count();
  size_t bucket = 0;
  while (bucket < kLatencyBounds.size() && seconds > kLatencyBounds[bucket]) ++bucket;
  Bump(latency_buckets_[bucket]);
  Bump(latency_sum_ns_, static_cast<std::uint64_t>(std::max<std::int64_t>(latency.count(), 0)));
}

Metrics::Metrics(size_t shards) {
  for (size_t i = 0; i < std::max<size_t>(shards, 1); ++i) {
    shards_.push_back(std::make_unique<PaddedShard>());
  }
}

std::string Metrics::Render(std::uint32_t segments, double load_seconds,
                            double loaded_at_unix_seconds) const {
  auto sum = [&](auto member) {
    std::uint64_t total = 0;
    for (const auto& shard : shards_) total += member(*shard).load(std::memory_order_relaxed);
    return total;
  };
  std::string out;
  out +=
      "# HELP korvalind_http_requests_total HTTP requests answered, by endpoint and status.\n"
      "# TYPE korvalind_http_requests_total counter\n";
  for (int e = 0; e < kEndpointCount; ++e) {
    std::string name(EndpointName(static_cast<Endpoint>(e)));
    for (size_t s = 0; s <= kCountedStatuses.size(); ++s) {
      std::uint64_t count = sum([&](const Shard& shard) -> auto& { return shard.requests_[e][s]; });
      if (count == 0) continue;
      if (s < kCountedStatuses.size()) {
        Line(&out, "korvalind_http_requests_total{endpoint=\"%s\",code=\"%d\"} %llu\n",
             name.c_str(), kCountedStatuses[s], static_cast<unsigned long long>(count));
      } else {
        Line(&out, "korvalind_http_requests_total{endpoint=\"%s\",code=\"other\"} %llu\n",
             name.c_str(), static_cast<unsigned long long>(count));
      }
    }
  }
  out +=
      "# HELP korvalind_http_request_duration_seconds Time from a complete request to its "
      "answer written.\n"
      "# TYPE korvalind_http_request_duration_seconds histogram\n";
  std::uint64_t cumulative = 0;
  for (size_t b = 0; b <= kLatencyBounds.size(); ++b) {
    cumulative += sum([&](const Shard& shard) -> auto& { return shard.latency_buckets_[b]; });
    if (b < kLatencyBounds.size()) {
      Line(&out, "korvalind_http_request_duration_seconds_bucket{le=\"%g\"} %llu\n",
           kLatencyBounds[b], static_cast<unsigned long long>(cumulative));
    } else {
      Line(&out, "korvalind_http_request_duration_seconds_bucket{le=\"+Inf\"} %llu\n",
           static_cast<unsigned long long>(cumulative));
    }
  }
  double latency_sum =
      static_cast<double>(sum([](const Shard& shard) -> auto& { return shard.latency_sum_ns_; })) /
      1e9;
  Line(&out, "korvalind_http_request_duration_seconds_sum %.9f\n", latency_sum);
  Line(&out, "korvalind_http_request_duration_seconds_count %llu\n",
       static_cast<unsigned long long>(cumulative));

  out +=
      "# HELP korvalind_answers_total Texts answered, by answer status.\n"
      "# TYPE korvalind_answers_total counter\n";
  static constexpr const char* kAnswerNames[3] = {"ok", "invalid", "not-found"};
  for (int a = 0; a < 3; ++a) {
    Line(&out, "korvalind_answers_total{status=\"%s\"} %llu\n", kAnswerNames[a],
         static_cast<unsigned long long>(
             sum([&](const Shard& shard) -> auto& { return shard.answers_[a]; })));
  }
  auto counter = [&](const char* name, const char* help, std::uint64_t value) {
    Line(&out, "# HELP %s %s\n# TYPE %s counter\n%s %llu\n", name, help, name, name,
         static_cast<unsigned long long>(value));
  };
  auto gauge = [&](const char* name, const char* help, double value) {
    Line(&out, "# HELP %s %s\n# TYPE %s gauge\n%s %.17g\n", name, help, name, name, value);
  };
  counter("korvalind_reloads_total", "Directory reloads that were swapped in.",
          reloads_.load(std::memory_order_relaxed));
  counter("korvalind_reload_failures_total",
          "Directory reloads that failed; the previous directory stayed in use.",
          failed_reloads_.load(std::memory_order_relaxed));
  counter("korvalind_refused_connections_total",
          "Connections closed at once because the cap on open connections was reached.",
          refused_connections_.load(std::memory_order_relaxed));
  gauge("korvalind_open_connections", "Connections open now.",
        static_cast<double>(open_connections_.load(std::memory_order_relaxed)));
  gauge("korvalind_directory_segments", "Segment records of the directory in use.", segments);
  gauge("korvalind_directory_load_seconds", "How long opening the directory in use took.",
        load_seconds);
  gauge("korvalind_directory_loaded_timestamp_seconds",
        "When the directory in use was loaded (Unix time).", loaded_at_unix_seconds);
  return out;
}

}  // namespace korvalind::serve
