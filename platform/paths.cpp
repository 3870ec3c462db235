#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace korvalind {

std::optional<std::string> ExecutableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::nullopt;
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(n));
      size_t slash = path.rfind('/');
      if (path.empty() || path.front() != '/' || slash == std::string::npos) return std::nullopt;
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::optional<std::string> DataFolder() {
  std::optional<std::string> folder = ExecutableFolder();
  if (!folder) return std::nullopt;
  return JoinPath(*folder, "DATA");
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace korvalind
