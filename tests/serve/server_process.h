#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace korvalind::testing {

// A `korvalind serve` child listening on a port the system picked, and what it logs.
class ServerProcess {
 public:
  // Starts program with "serve --listen ADDRESS:0" and args, and waits (at most 10 s) for its
  // "listening on" line. started() tells whether it came.
  ServerProcess(const std::string& program, const std::vector<std::string>& args,
                const std::string& address = "127.0.0.1");
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  ~ServerProcess();  // SIGKILL when still running

  bool started() const { return port_ != 0; }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }

  void Signal(int signal) const;
  // Waits at most timeout_ms for the child to end; its exit status, -1 when it did not end
  // normally, -2 when it is still running.
  int Wait(int timeout_ms);
  // Everything logged so far.
  const std::string& log();
  // Waits at most timeout_ms for the log to hold text.
  bool WaitForLog(std::string_view text, int timeout_ms);

 private:
  void ReadLog(int timeout_ms);

  pid_t pid_ = -1;
  int err_ = -1;
  int port_ = 0;
  int status_ = -2;
  std::string log_;
};

// One HTTP response as a test sees it. Header names are lower case.
struct HttpResponse {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::string Header(std::string_view name) const;
};

// A client connection to 127.0.0.1:port (or address) with raw writes and parsed reads.
class HttpConnection {
 public:
  // receive_buffer > 0: the socket's receive buffer in bytes (a client that reads little).
  explicit HttpConnection(int port, const std::string& address = "127.0.0.1",
                          int receive_buffer = 0);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  // Sends bytes as they are; false when the connection refused them.
  bool Send(std::string_view bytes);
  void CloseSending();
  // Reads at most bytes at a time, pausing for pause_ms after each read: a slow reader.
  void Pace(size_t bytes, int pause_ms) {
    pace_bytes_ = bytes;
    pace_ms_ = pause_ms;
  }
  // Reads one response (at most timeout_ms); false when the connection ended or timed out
  // first, a chunked body before its last chunk included. head: the response to a HEAD request
  // (no body, whatever Content-Length says).
  bool Read(HttpResponse* response, int timeout_ms = 5000, bool head = false);
  // True when the server closed the connection within timeout_ms (nothing more arrives).
  bool ClosedByPeer(int timeout_ms);

 private:
  bool Fill(int timeout_ms);

  int fd_ = -1;
  std::string buffer_;
  size_t pace_bytes_ = 65536;
  int pace_ms_ = 0;
};

// GET (or another method) of target on a fresh connection; status 0 when nothing came back.
HttpResponse Fetch(int port, std::string_view method, std::string_view target,
                   std::string_view body = "", std::string_view content_type = "");

}  // namespace korvalind::testing
