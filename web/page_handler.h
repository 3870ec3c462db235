#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "korvalind/korvalind.h"

namespace korvalind::web {

// The parts of an HTTP request the page looks at.
struct PageRequest {
  std::string_view method;  // "GET" or "HEAD"; anything else is not the page's
  std::string_view target;  // the request target as sent: "/", "/?number=...", "/assets/app.js"
  std::string_view if_none_match;  // the If-None-Match header, empty when absent
};

// A whole response. For HEAD the caller sends the headers with body's length and no body.
struct PageResponse {
  int status = 200;  // 200 or 304
  std::string content_type;
  std::string etag;  // strong, with its quotes
  // Content-Security-Policy, Cache-Control and the other fixed headers, in sending order.
  std::vector<std::pair<std::string_view, std::string_view>> headers;
  std::string body;  // empty for 304
};

// Looks up a prepared number (PrepareNumberText) with the service's default acceptance rule and
// fills answer (its size set by the caller) with UTF-8 texts that stay valid until the call of
// AnswerPageRequest returns.
using PageLookup =
    std::function<korvalind_status(std::string_view text, korvalind_answer_ex* answer)>;

// What the page needs from the running service.
struct PageSource {
  PageLookup lookup;
  std::string_view count_line;  // of the directory in use, UTF-8
  std::string_view version;     // the service's version, such as "1.0.0.1"
};

// The page's answer to a GET or HEAD of "/" (with "?number=..." the submitted number's answer
// is rendered into the page, for browsers without script) or of "/assets/NAME" (the embedded
// files but the page template). None for every other method or target, which the caller answers
// as it answers unknown requests. Every response carries an ETag; a matching If-None-Match
// gives 304 without a body.
std::optional<PageResponse> AnswerPageRequest(const PageRequest& request, const PageSource& source);

}  // namespace korvalind::web
