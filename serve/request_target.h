#pragma once

#include <string>
#include <string_view>

namespace korvalind::serve {

// What a request target asks for, before the method is looked at.
enum class Endpoint {
  kLookup,       // /v1/lookup/{text} and /v1/lookup?number={text}
  kLookupBatch,  // /v1/lookup without a number (POST)
  kHealth,       // /healthz
  kInfo,         // /v1/info
  kMetrics,      // /metrics
  kPage,         // / and /assets/... (the web page)
  kUnknown,      // stays last: kEndpointCount counts up to it
};

// How many endpoints there are, for arrays indexed by Endpoint.
inline constexpr int kEndpointCount = static_cast<int>(Endpoint::kUnknown) + 1;

// The endpoint's name in metrics and logs.
std::string_view EndpointName(Endpoint endpoint);

struct Route {
  Endpoint endpoint = Endpoint::kUnknown;
  std::string path;  // the target before "?", as sent (not decoded)
  std::string text;  // kLookup: the text to look up, percent-decoded
  bool any_prefix = false;
};

// Splits a request target ("/v1/lookup/1390123?any_prefix=1") into what it asks for. The text of
// a look-up is percent-decoded ("%2B86%20139..." is "+86 139..."); a "%" not followed by two hex
// digits stays as it is. In the query "+" is a blank, as forms write it; in the path it is a plus.
// The query's parameters are number= and any_prefix=1 (or true); others are ignored. Texts are
// bytes: a caller that shows them must make them valid UTF-8 first.
Route MapRequestTarget(std::string_view target);

// Appends the percent-decoded form of in to *out.
void AppendPercentDecoded(std::string_view in, std::string* out);

}  // namespace korvalind::serve
