#pragma once

#include <boost/beast/http/message.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serve/reply.h"

namespace korvalind::serve {

// The names a service answers to in Host (and in an absolute-form target), so that a page that
// reached it through DNS rebinding gets nothing. Names are compared without case, port or
// trailing dot.
class HostFilter {
 public:
  // The listening address, "localhost", "127.0.0.1", "::1" and the names in allowed. A name "*"
  // lets every Host through.
  HostFilter(const std::vector<std::string>& allowed, std::string_view listen_host);

  // host as a Host header gives it: "name", "name:port", "[::1]:port".
  bool Allows(std::string_view host) const;

 private:
  bool any_ = false;
  std::vector<std::string> names_;
};

// The path, query included, of a request target: an absolute-form target
// ("http://127.0.0.1:8080/healthz") gives its path ("/healthz") and its authority in
// *authority; any other target is given back unchanged, with *authority empty.
std::string_view OriginForm(std::string_view target, std::string_view* authority);

// The reply that refuses a request for its header alone, the connection to be closed after it;
// nullopt for a sound header. Refused with 400: a Transfer-Encoding other than one final
// "chunked", or with a Content-Length; a Content-Length list or a repeated Content-Length; no
// Host in HTTP/1.1 or more than one Host. With 421: a Host (or the authority of an absolute-form
// target) the filter does not allow. With 417: an expectation other than "100-continue" in
// HTTP/1.1 (HTTP/1.0 expectations are ignored).
std::optional<Reply> CheckRequestHeader(const boost::beast::http::request_header<>& header,
                                        const HostFilter& hosts);

}  // namespace korvalind::serve
