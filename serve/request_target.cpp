#include "serve/request_target.h"

#include <algorithm>

namespace korvalind::serve {
namespace {

constexpr std::string_view kLookupPath = "/v1/lookup";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Walks the query "a=1&b=2" and hands each parameter's raw name and value to visit.
template <typename Visit>
void ForEachParameter(std::string_view query, Visit visit) {
  while (!query.empty()) {
    size_t end = query.find('&');
    std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    size_t equals = pair.find('=');
    if (equals == std::string_view::npos) {
      visit(pair, std::string_view());
    } else {
      visit(pair.substr(0, equals), pair.substr(equals + 1));
    }
  }
}

}  // namespace

std::string_view EndpointName(Endpoint endpoint) {
  switch (endpoint) {
    case Endpoint::kLookup:
      return "lookup";
    case Endpoint::kLookupBatch:
      return "lookup_batch";
    case Endpoint::kHealth:
      return "healthz";
    case Endpoint::kInfo:
      return "info";
    case Endpoint::kMetrics:
      return "metrics";
    case Endpoint::kPage:
      return "page";
    case Endpoint::kUnknown:
      break;
  }
  return "other";
}

void AppendPercentDecoded(std::string_view in, std::string* out) {
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size() && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0) {
      *out += static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
      i += 2;
    } else {
      *out += in[i];
    }
  }
}

Route MapRequestTarget(std::string_view target) {
  Route route;
  size_t question = target.find('?');
  std::string_view path = target.substr(0, question);
  std::string_view query =
      question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
  route.path = path;

  bool has_number = false;
  std::string_view number;
  ForEachParameter(query, [&](std::string_view name, std::string_view value) {
    if (name == "any_prefix") route.any_prefix = value == "1" || value == "true";
    if (name == "number" && !has_number) {
      has_number = true;
      number = value;
    }
  });

  if (path == kLookupPath) {
    route.endpoint = has_number ? Endpoint::kLookup : Endpoint::kLookupBatch;
    // A query is form-encoded (HTML forms, URLSearchParams, urlencode): "+" is a blank there.
    std::string blanks(number);
    std::replace(blanks.begin(), blanks.end(), '+', ' ');
    AppendPercentDecoded(blanks, &route.text);
  } else if (path.size() > kLookupPath.size() && path.starts_with(kLookupPath) &&
             path[kLookupPath.size()] == '/') {
    route.endpoint = Endpoint::kLookup;
    AppendPercentDecoded(path.substr(kLookupPath.size() + 1), &route.text);
  } else if (path == "/healthz") {
    route.endpoint = Endpoint::kHealth;
  } else if (path == "/v1/info") {
    route.endpoint = Endpoint::kInfo;
  } else if (path == "/metrics") {
    route.endpoint = Endpoint::kMetrics;
  } else if (path == "/" || path.starts_with("/assets/")) {
    route.endpoint = Endpoint::kPage;
  }
  return route;
}

}  // namespace korvalind::serve
