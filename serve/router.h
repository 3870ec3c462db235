#pragma once

#include <cstddef>
#include <string>

#include "serve/metrics.h"
#include "serve/reply.h"
#include "serve/request_target.h"
#include "serve/served_directory.h"

namespace korvalind::serve {

// Most texts one POST may hold.
inline constexpr size_t kMaxBatchTexts = 100000;

class BatchAnswer;

// Answers requests from the directory in a slot. One router per serving thread: it keeps that
// thread's view of the directory and counts into that thread's metrics shard.
class Router {
 public:
  // expose_paths: /v1/info gives the directory's full path, not only its file name.
  Router(const DirectorySlot& slot, Metrics* metrics, size_t shard, bool expose_paths);

  // Fills *reply for request and returns the endpoint it was counted under. A batch's reply
  // streams its answers (Reply::stream), made from request.body as they are sent, by the
  // directory in use when the request came; the router must outlive that stream.
  Endpoint Handle(const Request& request, Reply* reply);

  Metrics::Shard& metrics_shard() { return shard_; }

 private:
  friend class BatchAnswer;

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
  bool expose_paths_;
};

}  // namespace korvalind::serve
