#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serve/request_target.h"

namespace korvalind::serve {

// The answer statuses a look-up counts.
enum class AnswerStatus { kOk, kInvalid, kNotFound };

// The HTTP statuses the service sends, each with its own counter.
inline constexpr std::array<int, 15> kCountedStatuses = {200, 204, 400, 404, 405, 408, 413, 414,
                                                         415, 417, 421, 431, 500, 501, 503};

// The service's counters in the Prometheus text format. Each serving thread counts into a shard
// of its own (one writer per counter, no locked instructions on the request path); the counters
// are summed when /metrics is asked for.
class Metrics {
 public:
  // Latency buckets' upper bounds in seconds.
  static constexpr std::array<double, 12> kLatencyBounds = {
      0.00005, 0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.1, 0.5, 2.5};

  class Shard {
   public:
    void CountRequest(Endpoint endpoint, int status, std::chrono::nanoseconds latency);
    void CountAnswer(AnswerStatus status) { Bump(answers_[static_cast<int>(status)]); }

   private:
    friend class Metrics;
    // Only the owning thread writes; a load and a store keep the reader's view tear-free.
    static void Bump(std::atomic<std::uint64_t>& counter, std::uint64_t by = 1) {
      counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
    }

    std::array<std::array<std::atomic<std::uint64_t>, kCountedStatuses.size() + 1>, kEndpointCount>
        requests_{};  // the last column counts statuses outside kCountedStatuses
    std::array<std::atomic<std::uint64_t>, kLatencyBounds.size() + 1> latency_buckets_{};
    std::atomic<std::uint64_t> latency_sum_ns_{0};
    std::array<std::atomic<std::uint64_t>, 3> answers_{};
  };

  explicit Metrics(size_t shards);

  Shard& shard(size_t index) { return *shards_[index]; }

  // Counted by the reloader (any thread).
  void CountReload(bool ok) {
    (ok ? reloads_ : failed_reloads_).fetch_add(1, std::memory_order_relaxed);
  }
  void CountRefusedConnection() { refused_connections_.fetch_add(1, std::memory_order_relaxed); }
  void CountConnection(int change) { open_connections_.fetch_add(change); }
  std::int64_t open_connections() const { return open_connections_.load(); }

  // The whole exposition, with the directory's segment count and load figures.
  std::string Render(std::uint32_t segments, double load_seconds,
                     double loaded_at_unix_seconds) const;

 private:
  // Aligned so that two threads' shards never share a cache line.
  struct alignas(64) PaddedShard : Shard {};
  std::vector<std::unique_ptr<PaddedShard>> shards_;
  std::atomic<std::uint64_t> reloads_{0};
  std::atomic<std::uint64_t> failed_reloads_{0};
  std::atomic<std::uint64_t> refused_connections_{0};
  std::atomic<std::int64_t> open_connections_{0};
};

}  // namespace korvalind::serve
