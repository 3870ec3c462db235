#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serve/metrics.h"
#include "serve/served_directory.h"

namespace korvalind::serve {

// How a server listens and what it puts up with.
struct ServerSettings {
  std::string listen = "127.0.0.1:8080";  // ADDRESS:PORT or [IPV6]:PORT; port 0 picks a free one
  unsigned threads = 1;
  size_t max_connections = 4096;
  // A connection that sends nothing for idle_timeout between requests, or takes longer than
  // read_timeout to send a request once it began (or to take its answer), is closed.
  std::chrono::milliseconds idle_timeout = std::chrono::seconds(60);
  std::chrono::milliseconds read_timeout = std::chrono::seconds(10);
  bool access_log = false;
  // Host names (and addresses) requests may name besides the listening address, "localhost" and
  // the loopback addresses; "*": any.
  std::vector<std::string> allowed_hosts;
  // /v1/info shows the directory's full path, not only its file name.
  bool expose_paths = false;
};

// Longest request line and header block, and longest request body.
inline constexpr size_t kMaxHeaderBytes = 8 * 1024;
inline constexpr size_t kMaxBodyBytes = 1024 * 1024;

// "host:port" ("[::1]:8080" for IPv6) split into its parts; false when it is not one.
bool SplitListenAddress(const std::string& listen, std::string* host, unsigned short* port);

// The HTTP service: one event loop per thread, one listening socket whose connections are dealt
// out to the loops in turn. Callbacks for signals and file events run on the first loop.
class Server {
 public:
  Server(ServerSettings settings, const DirectorySlot& slot, Metrics* metrics);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens. On failure returns false with a message naming the address.
  bool Listen(std::string* error);
  // The address actually bound, as "127.0.0.1:PORT" or "[::1]:PORT".
  std::string BoundAddress() const;

  // Calls on_signal(signal) on the first loop when SIGHUP, SIGINT or SIGTERM arrives. After
  // SIGINT or SIGTERM, a second one ends the process at once (the signal's default action).
  void WatchSignals(std::function<void(int)> on_signal);
  // Calls on_change() on the first loop when anything happens in folder, and every two seconds
  // besides (a replaced folder is watched again). False when the folder cannot be watched.
  bool WatchFolder(const std::string& folder, std::function<void()> on_change, std::string* error);

  // Serves until Stop() has been called and every connection is done, or grace has passed
  // since then (then the rest are cut).
  void Run(std::chrono::milliseconds grace);
  // Stops accepting, closes idle connections, lets running requests finish. Any thread.
  void Stop();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvalind::serve
