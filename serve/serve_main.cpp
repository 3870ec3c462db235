#include "serve/serve_main.h"

#include <malloc.h>
#include <sys/resource.h>

#include <csignal>
#include <optional>

#include "serve/event_log.h"
#include "serve/reloader.h"

namespace korvalind::serve {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Every connection is a descriptor: the soft limit (often 1,024) is raised to the hard one so
// that --max-connections, not the limit, decides how many are served.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace

int RunServer(const ServeOptions& options) {
  // Request bodies and read buffers of 64 KiB and more get pages of their own, which go back to
  // the system when they are freed, instead of raising the heap for good.
  mallopt(M_MMAP_THRESHOLD, 64 * 1024);
  std::string error;
  std::shared_ptr<const ServedDirectory> directory =
      ServedDirectory::Open(options.directory, &error);
  if (!directory) {
    LogEvent("%s", error.c_str());
    return 2;
  }
  // Reloads read the file the first load found, wherever the search found it.
  const std::string path = directory->path();
  const std::uint32_t segments = directory->segment_count();
  DirectorySlot slot(std::move(directory));
  Metrics metrics(options.server.threads);
  RaiseDescriptorLimit();
  Server server(options.server, slot, &metrics);
  if (!server.Listen(&error)) {
    LogEvent("%s", error.c_str());
    return 2;
  }

  Reloader reloader(path, &slot, &metrics);
  server.WatchSignals([&](int signal) {
    if (signal == SIGHUP) {
      reloader.Request("SIGHUP");
    } else {
      LogEvent("%s: finishing running requests, then stopping",
               signal == SIGINT ? "SIGINT" : "SIGTERM");
      server.Stop();
    }
  });
  // The file may be replaced by a rename, its folder by another one, or a link on its path by a
  // link elsewhere (a Kubernetes ConfigMap swaps "..data"): whatever happens in the folder, the
  // file the path leads to is compared with the one in use.
  if (!server.WatchFolder(
          FolderOf(path), [&] { reloader.Check(); }, &error)) {
    LogEvent("%s; reload with SIGHUP", error.c_str());
  }

  LogEvent("listening on %s (%u thread%s), directory %s, %u segments",
           server.BoundAddress().c_str(), options.server.threads,
           options.server.threads == 1 ? "" : "s", path.c_str(), segments);
  server.Run(options.shutdown_grace);
  LogEvent("stopped");
  return 0;
}

}  // namespace korvalind::serve
