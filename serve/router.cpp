#include "serve/router.h"

#include <cstdio>
#include <ctime>
#include <string_view>

#include "library/answer_view.h"
#include "serve/json_text.h"
#include "serve/web_page.h"

namespace korvalind::serve {
namespace {

bool IsGetOrHead(std::string_view method) { return method == "GET" || method == "HEAD"; }

Reply MethodNotAllowed(std::string_view allow) {
  Reply reply = ErrorReply(405, "method not allowed");
  reply.headers.emplace_back("Allow", std::string(allow));
  return reply;
}

// True for "application/json", with or without parameters, in any case.
bool IsJsonType(std::string_view content_type) {
  std::string_view type = content_type.substr(0, content_type.find(';'));
  while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
  constexpr std::string_view kJson = "application/json";
  if (type.size() != kJson.size()) return false;
  for (size_t i = 0; i < type.size(); ++i) {
    char c = type[i] >= 'A' && type[i] <= 'Z' ? static_cast<char>(type[i] + 32) : type[i];
    if (c != kJson[i]) return false;
  }
  return true;
}

int HttpStatusOf(AnswerStatus status) {
  switch (status) {
    case AnswerStatus::kOk:
      return 200;
    case AnswerStatus::kNotFound:
      return 404;
    case AnswerStatus::kInvalid:
      break;
  }
  return 400;
}

}  // namespace

Reply ErrorReply(int status, std::string_view message) {
  Reply reply;
  reply.status = status;
  reply.body = "{\"error\":";
  AppendJsonString(message, &reply.body);
  reply.body += "}\n";
  return reply;
}

Router::Router(const DirectorySlot& slot, Metrics* metrics, size_t shard)
    : view_(slot), metrics_(metrics), shard_(metrics->shard(shard)) {}

Endpoint Router::Handle(const Request& request, Reply* reply) {
  Route route = MapRequestTarget(request.target);
  const bool get = IsGetOrHead(request.method);
  switch (route.endpoint) {
    case Endpoint::kLookup:
      if (!get) {
        *reply = MethodNotAllowed("GET, HEAD");
      } else {
        Lookup(route.text, route.any_prefix, reply);
      }
      break;
    case Endpoint::kLookupBatch:
      if (request.method == "POST") {
        LookupBatch(request, route.any_prefix, reply);
      } else if (get) {
        *reply = ErrorReply(400, "give the text as /v1/lookup/TEXT or /v1/lookup?number=TEXT");
      } else {
        *reply = MethodNotAllowed("GET, HEAD, POST");
      }
      break;
    case Endpoint::kHealth:
      if (!get) {
        *reply = MethodNotAllowed("GET, HEAD");
      } else {
        *reply = Reply{};
        reply->body = "{\"status\":\"ok\"}\n";
      }
      break;
    case Endpoint::kInfo:
      if (!get) {
        *reply = MethodNotAllowed("GET, HEAD");
      } else {
        Info(reply);
      }
      break;
    case Endpoint::kMetrics:
      if (!get) {
        *reply = MethodNotAllowed("GET, HEAD");
      } else {
        RenderMetrics(reply);
      }
      break;
    case Endpoint::kPage:
      if (!get) {
        *reply = MethodNotAllowed("GET, HEAD");
      } else if (std::optional<Reply> page = ServeWebPage(request, *view_.Get())) {
        *reply = std::move(*page);
      } else {
        *reply = ErrorReply(404, "not found");
      }
      break;
    case Endpoint::kUnknown:
      *reply = ErrorReply(404, "not found");
      break;
  }
  return route.endpoint;
}

AnswerStatus Router::AppendAnswer(const korvalind_directory* directory, std::string_view text,
                                  unsigned flags, std::string* out) {
  korvalind_answer_ex answer{};
  answer.size = sizeof answer;
  korvalind_status status =
      korvalind_lookup_ex(directory, text.data(), text.size(), flags, &answer);
  AnswerStatus counted = status == KORVALIND_OK          ? AnswerStatus::kOk
                         : status == KORVALIND_NOT_FOUND ? AnswerStatus::kNotFound
                                                         : AnswerStatus::kInvalid;
  shard_.CountAnswer(counted);
  AppendAnswerJson(text, library::ViewOfAnswer(status, answer), out);
  return counted;
}

void Router::Lookup(const std::string& text, bool any_prefix, Reply* reply) {
  reply->status = 200;
  reply->content_type = "application/json";
  reply->body.clear();
  reply->headers.clear();
  const auto& directory = view_.Get();
  AnswerStatus status =
      AppendAnswer(directory->handle(), text, any_prefix ? KORVALIND_ANY_PREFIX : 0, &reply->body);
  reply->body += '\n';
  reply->status = HttpStatusOf(status);
}

void Router::LookupBatch(const Request& request, bool any_prefix, Reply* reply) {
  const unsigned flags = any_prefix ? KORVALIND_ANY_PREFIX : 0;
  const auto& directory = view_.Get();
  *reply = Reply{};
  if (IsJsonType(request.content_type)) {
    std::string error;
    if (!ParseJsonStringArray(request.body, kMaxBatchTexts, &texts_, &error)) {
      *reply = texts_.size() == kMaxBatchTexts && error.find("too many") != std::string::npos
                   ? ErrorReply(413, "at most 100000 texts in one request")
                   : ErrorReply(400, error);
      return;
    }
    reply->body += '[';
    for (size_t i = 0; i < texts_.size(); ++i) {
      if (i != 0) reply->body += ',';
      AppendAnswer(directory->handle(), texts_[i], flags, &reply->body);
    }
    reply->body += "]\n";
    return;
  }
  // One text a line (LF or CR LF); a last line without its line end counts too.
  std::string_view body = request.body;
  size_t lines = 0;
  for (size_t at = 0; at < body.size(); ++lines) {
    size_t end = body.find('\n', at);
    at = end == std::string_view::npos ? body.size() : end + 1;
  }
  if (lines > kMaxBatchTexts) {
    *reply = ErrorReply(413, "at most 100000 texts in one request");
    return;
  }
  reply->content_type = "application/x-ndjson";
  reply->body.reserve(lines * 160);
  while (!body.empty()) {
    size_t end = body.find('\n');
    std::string_view line = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    AppendAnswer(directory->handle(), line, flags, &reply->body);
    reply->body += '\n';
  }
}

void Router::Info(Reply* reply) {
  const auto& directory = view_.Get();
  *reply = Reply{};
  std::string& out = reply->body;
  out = "{\"path\":";
  AppendJsonString(directory->path(), &out);
  out += ",\"countLine\":";
  AppendJsonString(directory->count_line(), &out);
  out += ",\"segments\":" + std::to_string(directory->segment_count());
  std::time_t loaded = std::chrono::system_clock::to_time_t(directory->loaded_at());
  std::tm utc{};
  gmtime_r(&loaded, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  out += ",\"loadedAt\":\"";
  out += stamp;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.6f", directory->load_time().count());
  out += "\",\"loadSeconds\":";
  out += seconds;
  out += ",\"heldPrefixes\":[";
  for (size_t i = 0; i < directory->held_prefixes().size(); ++i) {
    if (i != 0) out += ',';
    out += std::to_string(directory->held_prefixes()[i]);
  }
  out += "]}\n";
}

void Router::RenderMetrics(Reply* reply) {
  const auto& directory = view_.Get();
  *reply = Reply{};
  reply->content_type = "text/plain; version=0.0.4; charset=utf-8";
  reply->body = metrics_->Render(
      directory->segment_count(), directory->load_time().count(),
      std::chrono::duration<double>(directory->loaded_at().time_since_epoch()).count());
}

}  // namespace korvalind::serve
