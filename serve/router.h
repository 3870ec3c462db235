#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "serve/metrics.h"
#include "serve/reply.h"
#include "serve/request_target.h"
#include "serve/served_directory.h"

namespace korvalind::serve {

// Most texts one POST may hold.
inline constexpr size_t kMaxBatchTexts = 100000;

// Answers requests from the directory in a slot. One router per serving thread: it keeps that
// thread's view of the directory and counts into that thread's metrics shard.
class Router {
 public:
  Router(const DirectorySlot& slot, Metrics* metrics, size_t shard);

  // Fills *reply for request and returns the endpoint it was counted under.
  Endpoint Handle(const Request& request, Reply* reply);

  Metrics::Shard& metrics_shard() { return shard_; }

 private:
  void Lookup(const std::string& text, bool any_prefix, Reply* reply);
  void LookupBatch(const Request& request, bool any_prefix, Reply* reply);
  void Info(Reply* reply);
  void RenderMetrics(Reply* reply);
  // Appends {"text":...,"status":...,...} for one text; returns its status.
  AnswerStatus AppendAnswer(const korvalind_directory* directory, std::string_view text,
                            unsigned flags, std::string* out);

  DirectoryView view_;
  Metrics* metrics_;
  Metrics::Shard& shard_;
  std::vector<std::string> texts_;
};

}  // namespace korvalind::serve
