#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvalind::serve {

// A complete request as the router sees it, independent of the HTTP library.
struct Request {
  std::string_view method;  // "GET", "HEAD", "POST"...
  std::string_view target;  // "/v1/lookup/1390123?any_prefix=1"
  std::string_view content_type;
  std::string_view body;           // stays valid until the reply, streamed or not, is sent
  std::string_view if_none_match;  // for the web page's cached files
};

// A body made while it is sent: the connection asks for the next piece only when the previous
// one has gone out, so that an answer of any size holds one piece in memory.
class BodySource {
 public:
  virtual ~BodySource() = default;
  // Appends the next piece (at most a few tens of KiB) to *out; false when the body is complete
  // (this piece being its last).
  virtual bool Next(std::string* out) = 0;
};

// What to send back. The connection adds Content-Length (and drops the body for HEAD), or, for a
// streamed body, sends body and then the pieces of stream with chunked transfer coding.
struct Reply {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  // Further headers, such as Allow or Cache-Control.
  std::vector<std::pair<std::string, std::string>> headers;
  std::unique_ptr<BodySource> stream;
};

// A reply with the JSON body {"error":"message"}; message is the service's own text, never bytes
// of the request.
Reply ErrorReply(int status, std::string_view message);

}  // namespace korvalind::serve
