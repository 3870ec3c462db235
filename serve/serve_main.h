#pragma once

#include <string>

#include "serve/server.h"

namespace korvalind::serve {

// How long running requests may take to finish after SIGTERM or SIGINT, unless told otherwise.
inline constexpr std::chrono::seconds kShutdownGrace{5};

struct ServeOptions {
  std::string directory;  // empty: the library's default search
  ServerSettings server;
  std::chrono::seconds shutdown_grace = kShutdownGrace;
};

// Loads the directory, listens and serves until SIGTERM or SIGINT; SIGHUP, and the directory
// file being replaced, reload it. Logs events to standard error, the first being
// "listening on ADDRESS:PORT ...". Returns 0 after a clean stop, 2 when the directory cannot be
// loaded or the address cannot be used (the reason is logged).
int RunServer(const ServeOptions& options);

}  // namespace korvalind::serve
