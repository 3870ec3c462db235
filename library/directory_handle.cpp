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

Status CannotRead(const std::string& path, const std::string& reason) {
  return Status::IoError("directory file \"" + path + "\" cannot be read: " + reason);
}

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

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

Status ReadDirectoryFile(const std::string& path, LargeBytes* bytes) {
  bytes->clear();
  // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return CannotRead(path, std::strerror(errno));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return CannotRead(path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return CannotRead(path, "it is not a regular file");
  if (static_cast<std::uint64_t>(info.st_size) > kMaxDirectoryFileSize) {
    return CannotRead(
        path, "it is too large to be a directory (" + std::to_string(info.st_size) + " bytes)");
  }
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags >= 0) ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
  // Read to the end even when the file grew since fstat, up to the same limit.
  constexpr size_t kChunk = 1 << 16;
  size_t filled = 0;
  bytes->resize(static_cast<size_t>(info.st_size) + 1);
  for (;;) {
    if (filled == bytes->size()) {
      if (filled > kMaxDirectoryFileSize) {
        bytes->clear();
        return CannotRead(path, "it is too large to be a directory");
      }
      bytes->resize(filled + kChunk);
    }
    ssize_t n = ::read(file.get(), bytes->data() + filled, bytes->size() - filled);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      bytes->clear();
      return CannotRead(path, std::strerror(error));
    }
    filled += static_cast<size_t>(n);
  }
  bytes->resize(filled);
  return Status::Ok();
}

Status OpenDirectory(LargeBytes bytes, const std::string& name, korvalind_directory* directory) {
  directory->path = name;
  if (Status status = LoadEnciphered(std::move(bytes), name, &directory->image); !status.ok()) {
    return status;
  }
  directory->answers.Build(directory->image);
  directory->acceptance.Build(directory->image);
  directory->held_prefixes = HeldPrefixes(directory->image);
  directory->count_line_gbk = CountLine(directory->image);
  directory->count_line_utf8 = GbkToUtf8(directory->count_line_gbk);
  return Status::Ok();
}

korvalind_status StatusOfFailure(const Status& status) {
  return status.code() == Status::Code::kCorruption ? KORVALIND_DAMAGED : KORVALIND_CANNOT_READ;
}

}  // namespace korvalind::library
