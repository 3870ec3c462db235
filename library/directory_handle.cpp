#include "library/directory_handle.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "directory/loader.h"
#include "directory/query.h"
#include "platform/gbk.h"
#include "platform/paths.h"

#ifndef KORVALIND_INSTALLED_DIRECTORY
#define KORVALIND_INSTALLED_DIRECTORY "/usr/local/share/korvalind/Korvalind.dat"
#endif
#ifndef KORVALIND_LIBDIR_TO_PREFIX
#define KORVALIND_LIBDIR_TO_PREFIX ".."
#endif

namespace korvalind::library {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The folder of the object file (shared library or program) that holds this function.
std::string OwnFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace

std::string DefaultPath() {
  std::string path = DefaultDirectoryPath();
  const char* from_environment = std::getenv("KORVALIND_DIRECTORY");
  if (from_environment != nullptr && *from_environment != '\0') return path;
  // Beside the program (or its ../share) wins; the copy under this library's prefix comes
  // before the one where the build meant to install.
  if (path != KORVALIND_INSTALLED_DIRECTORY && IsRegularFile(path)) return path;
  const std::string folder = OwnFolder();
  if (!folder.empty()) {
    std::string installed =
        JoinPath(folder, KORVALIND_LIBDIR_TO_PREFIX "/share/korvalind/Korvalind.dat");
    if (IsRegularFile(installed)) return installed;
  }
  return path;
}

Status OpenDirectory(LargeBytes bytes, const std::string& name, korvalind_directory* directory) {
  directory->path = name;
  if (Status status = LoadEnciphered(std::move(bytes), name, &directory->image); !status.ok()) {
    return status;
  }
  directory->answers.Build(directory->image);
  directory->held_prefixes = HeldPrefixes(directory->image);
  directory->acceptance = SegmentAcceptance(directory->held_prefixes);
  directory->count_line_gbk = CountLine(directory->image);
  directory->count_line_utf8 = GbkToUtf8(directory->count_line_gbk);
  return Status::Ok();
}

korvalind_status StatusOfFailure(const Status& status) {
  return status.code() == Status::Code::kCorruption ? KORVALIND_DAMAGED : KORVALIND_CANNOT_READ;
}

}  // namespace korvalind::library
