#include <charconv>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "platform/processors.h"
#include "serve/serve_main.h"

namespace korvalind::cli {
namespace {

// A whole number from min to max in the option's value; false (and a message) otherwise.
bool NumberOption(const Arguments& args, const char* name, unsigned long min, unsigned long max,
                  unsigned long* value) {
  std::optional<std::string> text = args.Value(name);
  if (!text) return true;
  unsigned long parsed = 0;
  const std::string& value_text = *text;
  const char* first = value_text.data();
  const char* last = first + value_text.size();
  auto [end, error] = std::from_chars(first, last, parsed);
  if (error != std::errc() || end != last || parsed < min || parsed > max) {
    PrintError("--" + std::string(name) + " needs a whole number from " + std::to_string(min) +
               " to " + std::to_string(max) + ", not \"" + *text + "\"");
    return false;
  }
  *value = parsed;
  return true;
}

}  // namespace

int RunServe(const Arguments& args) {
  if (!args.operands.empty()) {
    PrintError("serve takes no operands (\"" + args.operands.front() + "\")");
    return kExitUsage;
  }
  serve::ServeOptions options;
  options.directory = args.Value("directory").value_or("");
  options.server.listen = args.Value("listen").value_or("127.0.0.1:8080");
  unsigned long threads = UsableProcessors();
  unsigned long max_connections = options.server.max_connections;
  unsigned long idle = 60, read = 10;
  unsigned long grace = static_cast<unsigned long>(options.shutdown_grace.count());
  if (!NumberOption(args, "threads", 1, 256, &threads) ||
      !NumberOption(args, "max-connections", 1, 1000000, &max_connections) ||
      !NumberOption(args, "idle-timeout", 1, 86400, &idle) ||
      !NumberOption(args, "read-timeout", 1, 86400, &read) ||
      !NumberOption(args, "shutdown-grace", 0, 3600, &grace)) {
    return kExitUsage;
  }
  std::string host;
  unsigned short port;
  if (!serve::SplitListenAddress(options.server.listen, &host, &port)) {
    PrintError("--listen needs ADDRESS:PORT (such as 127.0.0.1:8080 or [::1]:8080), not \"" +
               options.server.listen + "\"");
    return kExitUsage;
  }
  options.server.threads = static_cast<unsigned>(threads);
  options.server.max_connections = max_connections;
  options.server.idle_timeout = std::chrono::seconds(idle);
  options.server.read_timeout = std::chrono::seconds(read);
  options.shutdown_grace = std::chrono::seconds(grace);
  options.server.access_log = args.Flag("access-log");
  options.server.expose_paths = args.Flag("expose-paths");
  if (auto hosts = args.repeated.find("allow-host"); hosts != args.repeated.end()) {
    for (const std::string& name : hosts->second) {
      if (name.empty()) {
        PrintError("--allow-host needs a host name or address, such as lookup.example.com");
        return kExitUsage;
      }
    }
    options.server.allowed_hosts = hosts->second;
  }
  return serve::RunServer(options);
}

}  // namespace korvalind::cli
