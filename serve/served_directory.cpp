#include "serve/served_directory.h"

#include <sys/stat.h>

#include <algorithm>

namespace korvalind::serve {

FileIdentity IdentityOf(const std::string& path) {
  struct stat status;
  if (path.empty() || stat(path.c_str(), &status) != 0) return {};
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::uint64_t>(status.st_size),
          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

std::shared_ptr<const ServedDirectory> ServedDirectory::Open(const std::string& path,
                                                             std::string* error) {
  auto started = std::chrono::steady_clock::now();
  FileIdentity identity = IdentityOf(path);
  korvalind_directory* handle = nullptr;
  korvalind_error failure{};
  korvalind_status status =
      korvalind_open(path.empty() ? nullptr : path.c_str(), &handle, &failure);
  if (status != KORVALIND_OK || handle == nullptr) {
    *error = failure.message[0] != '\0'
                 ? std::string(failure.message)
                 : "directory file " + path + " cannot be opened: " + korvalind_status_name(status);
    return nullptr;
  }
  std::shared_ptr<ServedDirectory> directory(new ServedDirectory(handle));
  int prefixes[100];
  size_t count = korvalind_held_prefixes(handle, prefixes, 100);
  directory->held_prefixes_.assign(prefixes, prefixes + std::min<size_t>(count, 100));
  directory->identity_ = path.empty() ? IdentityOf(directory->path()) : identity;
  directory->loaded_at_ = std::chrono::system_clock::now();
  directory->load_time_ = std::chrono::steady_clock::now() - started;
  return directory;
}

ServedDirectory::~ServedDirectory() { korvalind_close(handle_); }

}  // namespace korvalind::serve
