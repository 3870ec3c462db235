#include "serve/request_checks.h"

#include <algorithm>
#include <iterator>

namespace korvalind::serve {
namespace {

namespace http = boost::beast::http;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

// A field value without the blanks around it.
std::string_view Trimmed(boost::beast::string_view value) {
  std::string_view text(value.data(), value.size());
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "name:port" or "[v6]:port" without its port; the name in lower case, without a trailing dot.
std::string HostName(std::string_view host) {
  if (host.starts_with('[')) {
    host =
        host.substr(0, host.find(']') == std::string_view::npos ? host.size() : host.find(']') + 1);
  } else if (size_t colon = host.rfind(':'); colon != std::string_view::npos) {
    host = host.substr(0, colon);
  }
  if (host.ends_with('.')) host.remove_suffix(1);
  return Lower(host);
}

}  // namespace

HostFilter::HostFilter(const std::vector<std::string>& allowed, std::string_view listen_host) {
  // A rebinding page names its own domain: the loopback names are never one.
  std::string listening(listen_host);
  if (listening.find(':') != std::string::npos) listening = "[" + listening + "]";
  names_ = {HostName(listening), "localhost", "127.0.0.1", "[::1]"};
  for (const std::string& name : allowed) {
    if (name == "*") any_ = true;
    // A bare IPv6 address gets the brackets a Host header writes it with.
    names_.push_back(name.find(':') != std::string::npos && !name.starts_with('[')
                         ? "[" + Lower(name) + "]"
                         : HostName(name));
  }
}

bool HostFilter::Allows(std::string_view host) const {
  return any_ || std::find(names_.begin(), names_.end(), HostName(host)) != names_.end();
}

std::string_view OriginForm(std::string_view target, std::string_view* authority) {
  *authority = {};
  size_t scheme = target.find("://");
  if (scheme == std::string_view::npos || target.starts_with('/')) return target;
  std::string name = Lower(target.substr(0, scheme));
  if (name != "http" && name != "https") return target;
  std::string_view rest = target.substr(scheme + 3);
  size_t path = rest.find_first_of("/?");
  *authority = rest.substr(0, path);
  return path == std::string_view::npos ? "/" : rest.substr(path);
}

std::optional<Reply> CheckRequestHeader(const http::request_header<>& header,
                                        const HostFilter& hosts) {
  auto count = [&](http::field field) {
    auto range = header.equal_range(field);
    return std::distance(range.first, range.second);
  };
  const auto codings = count(http::field::transfer_encoding);
  const auto lengths = count(http::field::content_length);
  if (codings > 0 && (codings > 1 || lengths > 0 ||
                      Lower(Trimmed(header[http::field::transfer_encoding])) != "chunked")) {
    return ErrorReply(400, "Transfer-Encoding must be \"chunked\" alone, without Content-Length");
  }
  if (lengths > 1 || Trimmed(header[http::field::content_length]).find(',') != std::string::npos) {
    return ErrorReply(400, "give one Content-Length");
  }
  const auto host_fields = count(http::field::host);
  if (host_fields > 1 || (host_fields == 0 && header.version() >= 11)) {
    return ErrorReply(400, "give one Host");
  }
  std::string_view authority;
  OriginForm(std::string_view(header.target().data(), header.target().size()), &authority);
  if (authority.empty()) authority = Trimmed(header[http::field::host]);
  if (!authority.empty() && !hosts.Allows(authority)) {
    return ErrorReply(421, "this service does not answer to that Host");
  }
  if (header.version() >= 11 && count(http::field::expect) > 0 &&
      (count(http::field::expect) > 1 ||
       Lower(Trimmed(header[http::field::expect])) != "100-continue")) {
    return ErrorReply(417, "the only expectation understood is \"100-continue\"");
  }
  return std::nullopt;
}

}  // namespace korvalind::serve
