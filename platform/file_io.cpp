#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvalind {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Reads into *contents, a std::string or a LargeBytes: into its room when the size is known,
// then in chunks until the end, since a file may be longer than its size said (or have none).
template <typename Bytes>
Status ReadWholeFileInto(const std::string& path, Bytes* contents, std::string* reason) {
  contents->clear();
  std::string ignored;
  if (reason == nullptr) reason = &ignored;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    *reason = Reason(error);
    std::string message = "cannot open \"" + path + "\": " + *reason;
    return error == ENOENT ? Status::NotFound(message) : Status::IoError(message);
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    *reason = "it is a folder";
    return Status::IoError("cannot read \"" + path + "\": " + *reason);
  }
  constexpr size_t kChunk = 1 << 16;
  size_t filled = 0;
  contents->resize(info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : kChunk);
  for (;;) {
    if (filled == contents->size()) contents->resize(filled + kChunk);
    ssize_t n = ::read(fd, reinterpret_cast<char*>(contents->data()) + filled,
                       contents->size() - filled);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      contents->clear();
      *reason = Reason(error);
      return Status::IoError("cannot read \"" + path + "\": " + *reason);
    }
    filled += static_cast<size_t>(n);
  }
  ::close(fd);
  contents->resize(filled);
  return Status::Ok();
}

}  // namespace

Status ReadWholeFile(const std::string& path, std::string* contents, std::string* reason) {
  return ReadWholeFileInto(path, contents, reason);
}

Status ReadWholeFile(const std::string& path, LargeBytes* contents, std::string* reason) {
  return ReadWholeFileInto(path, contents, reason);
}

bool LineCursor::Next(std::string_view* line) {
  if (pos_ >= text_.size()) return false;
  size_t end = text_.find('\n', pos_);
  size_t next = end == std::string_view::npos ? text_.size() : end + 1;
  if (end == std::string_view::npos) end = text_.size();
  size_t stop = end;
  if (end < text_.size() && stop > pos_ && text_[stop - 1] == '\r') --stop;
  *line = text_.substr(pos_, stop - pos_);
  pos_ = next;
  return true;
}

AtomicFile::~AtomicFile() { Discard(); }

Status AtomicFile::Open(const std::string& path) {
  Discard();
  path_ = path;
  temp_path_ = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp_path_.data());
  if (fd < 0) {
    int error = errno;
    temp_path_.clear();
    return Status::IoError("cannot create \"" + path + "\": " + Reason(error));
  }
  // mkstemp creates 0600; a data file is for everyone to read, like any other output.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    int error = errno;
    ::close(fd);
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    return Status::IoError("cannot create \"" + path + "\": " + Reason(error));
  }
  write_errno_ = 0;
  return Status::Ok();
}

void AtomicFile::Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }

void AtomicFile::Write(const void* data, size_t size) {
  if (file_ == nullptr || write_errno_ != 0 || size == 0) return;
  if (std::fwrite(data, 1, size, file_) != size) write_errno_ = errno ? errno : EIO;
}

Status AtomicFile::Finish() {
  if (finished_) return Status::Ok();
  if (file_ == nullptr) return Status::IoError("cannot write \"" + path_ + "\": not open");
  int error = write_errno_;
  if (error == 0 && std::fflush(file_) != 0) error = errno;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  if (error != 0) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    return Status::IoError("cannot write \"" + path_ + "\": " + Reason(error));
  }
  finished_ = true;
  return Status::Ok();
}

Status AtomicFile::Commit() {
  Status status = Finish();
  if (!status.ok()) return status;
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    int error = errno;
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    finished_ = false;
    return Status::IoError("cannot write \"" + path_ + "\": " + Reason(error));
  }
  temp_path_.clear();
  finished_ = false;
  return Status::Ok();
}

Status CommitTogether(std::span<AtomicFile> files) {
  for (AtomicFile& file : files) {
    Status status = file.Finish();
    if (!status.ok()) return status;
  }
  for (AtomicFile& file : files) {
    Status status = file.Commit();
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

void AtomicFile::Discard() {
  finished_ = false;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
}

}  // namespace korvalind
