#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "platform/temp_files.h"

namespace korvalind {
namespace {

std::string Reason(int error) { return std::strerror(error); }

constexpr char kTemporaryName[] = ".korvalind.tmp-XXXXXX";
constexpr char kBackupName[] = ".korvalind.old-XXXXXX";

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string SiblingTemplate(const std::string& path, const char* name) {
  return path.find('/') == std::string::npos ? name : JoinPath(FolderOf(path), name);
}

// Flushes a folder's entries (a rename in it) to the disk. Some file systems refuse to sync a
// folder; the rename itself has happened then, so that is not reported.
void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

struct ReadLimits {
  bool regular_only = false;
  std::uint64_t max_bytes = 0;  // with regular_only
};

// Reads into *contents, a std::string or a LargeBytes: into its room when the size is known,
// then in chunks until the end, since a file may be longer than its size said (or have none).
template <typename Bytes>
Status ReadWholeFileInto(const std::string& path, Bytes* contents, std::string* reason,
                         ReadLimits limits = {}) {
  contents->clear();
  std::string ignored;
  if (reason == nullptr) reason = &ignored;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (limits.regular_only ? O_NONBLOCK : 0));
  if (fd < 0) {
    int error = errno;
    *reason = Reason(error);
    std::string message = "cannot open \"" + path + "\": " + *reason;
    return error == ENOENT ? Status::NotFound(message) : Status::IoError(message);
  }
  auto refuse = [&](std::string why) {
    ::close(fd);
    *reason = std::move(why);
    return Status::IoError("cannot read \"" + path + "\": " + *reason);
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0) return refuse(Reason(errno));
  if (S_ISDIR(info.st_mode)) return refuse("it is a folder");
  const std::string too_large =
      "it is larger than " + std::to_string(limits.max_bytes) + " bytes, the most it may hold";
  if (limits.regular_only) {
    if (!S_ISREG(info.st_mode)) return refuse("it is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > limits.max_bytes) return refuse(too_large);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  constexpr size_t kChunk = 1 << 16;
  size_t filled = 0;
  contents->resize(info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : kChunk);
  for (;;) {
    if (limits.regular_only && filled > limits.max_bytes) {
      contents->clear();
      return refuse(too_large);
    }
    if (filled == contents->size()) contents->resize(filled + kChunk);
    ssize_t n =
        ::read(fd, reinterpret_cast<char*>(contents->data()) + filled, contents->size() - filled);
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

Status ReadRegularFile(const std::string& path, std::uint64_t maxBytes, LargeBytes* contents,
                       std::string* reason) {
  return ReadWholeFileInto(path, contents, reason, ReadLimits{true, maxBytes});
}

Status ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string* contents,
                       std::string* reason) {
  return ReadWholeFileInto(path, contents, reason, ReadLimits{true, maxBytes});
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
  temp_path_ = SiblingTemplate(path, kTemporaryName);
  int fd = -1;
  {
    SignalsHeld held;  // no file without its registration
    fd = ::mkstemp(temp_path_.data());
    if (fd >= 0) temp_slot_ = RegisterTemporaryFile(temp_path_.c_str());
  }
  if (fd < 0) {
    int error = errno;
    temp_path_.clear();
    return Status::IoError("cannot create \"" + path + "\": " + Reason(error));
  }
  // mkstemp creates 0600; a data file is for everyone to read, like any other output, and a file
  // that is replaced keeps its permissions.
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ::fchmod(fd, existing.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    int error = errno;
    ::close(fd);
    ForgetTemporary();
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
  // On the disk before it may replace anything: a rename that reaches the disk ahead of the
  // data would leave an empty file after a power cut.
  if (error == 0 && ::fsync(::fileno(file_)) != 0 && errno != EINVAL) error = errno;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  if (error != 0) {
    ForgetTemporary();
    return Status::IoError("cannot write \"" + path_ + "\": " + Reason(error));
  }
  finished_ = true;
  return Status::Ok();
}

Status AtomicFile::Rename() {
  // Forgotten only after the rename: a signal in between removes a name that is gone.
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    int error = errno;
    ForgetTemporary();
    finished_ = false;
    return Status::IoError("cannot write \"" + path_ + "\": " + Reason(error));
  }
  UnregisterTemporaryFile(temp_slot_);
  temp_slot_ = -1;
  temp_path_.clear();
  finished_ = false;
  return Status::Ok();
}

Status AtomicFile::Commit() {
  Status status = Finish();
  if (!status.ok()) return status;
  status = Rename();
  if (status.ok()) SyncFolder(FolderOf(path_));
  return status;
}

namespace {

// The previous file of a target, kept under a second name (a hard link) while a group of files
// is renamed, so that a failed rename can put it back.
struct Previous {
  std::string backup;  // empty: the target did not exist (or could not be linked)
  bool existed = false;
  int slot = -1;
};

Status CheckReplaceable(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return Status::IoError("cannot write \"" + path + "\": " + Reason(EISDIR));
  }
  const std::string folder = FolderOf(path);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return Status::IoError("cannot write \"" + path + "\": " + Reason(errno));
  }
  return Status::Ok();
}

Previous KeepPrevious(const std::string& path) {
  Previous previous;
  struct stat info {};
  previous.existed = ::lstat(path.c_str(), &info) == 0;
  if (!previous.existed) return previous;
  SignalsHeld held;  // the placeholder and the link are never left behind
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string name = SiblingTemplate(path, kBackupName);
    int fd = ::mkstemp(name.data());
    if (fd < 0) return previous;
    ::close(fd);
    ::unlink(name.c_str());
    if (::link(path.c_str(), name.c_str()) == 0) {
      previous.backup = std::move(name);
      previous.slot = RegisterTemporaryFile(previous.backup.c_str());
      return previous;
    }
    if (errno != EEXIST) return previous;
  }
  return previous;
}

void Restore(const std::string& path, Previous& previous) {
  if (!previous.backup.empty()) {
    ::rename(previous.backup.c_str(), path.c_str());
  } else if (!previous.existed) {
    ::unlink(path.c_str());
  }
  UnregisterTemporaryFile(previous.slot);
  previous.backup.clear();
}

void Drop(Previous& previous) {
  if (!previous.backup.empty()) ::unlink(previous.backup.c_str());
  UnregisterTemporaryFile(previous.slot);
  previous.backup.clear();
}

}  // namespace

Status CommitTogether(std::span<AtomicFile> files) {
  // A file whose write has failed is reported first: on a full disk the one that filled it
  // fails as it is written, and the others only when their last bytes are flushed after it.
  for (AtomicFile& file : files) {
    if (file.write_failed()) return file.Finish();
  }
  for (AtomicFile& file : files) {
    Status status = file.Finish();
    if (!status.ok()) return status;
  }
  for (AtomicFile& file : files) {
    Status status = CheckReplaceable(file.path_);
    if (!status.ok()) return status;
  }
  std::vector<Previous> previous(files.size());
  {
    // SIGINT, SIGTERM and SIGHUP wait from the first rename to the last: acted on in between,
    // they would end the process with some targets new and the others old (and the previous
    // files, kept for a put-back, removed as temporary). The renames take moments.
    SignalsHeld held;
    for (size_t i = 0; i < files.size(); ++i) previous[i] = KeepPrevious(files[i].path_);
    for (size_t i = 0; i < files.size(); ++i) {
      Status status = files[i].Rename();
      if (status.ok()) continue;
      for (size_t j = 0; j < files.size(); ++j) {
        if (j < i) {
          Restore(files[j].path_, previous[j]);
        } else {
          Drop(previous[j]);
        }
      }
      return status;
    }
    for (Previous& kept : previous) Drop(kept);
  }
  std::vector<std::string> folders;
  for (const AtomicFile& file : files) {
    std::string folder = FolderOf(file.path_);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  for (const std::string& folder : folders) SyncFolder(folder);
  return Status::Ok();
}

void AtomicFile::ForgetTemporary() {
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  UnregisterTemporaryFile(temp_slot_);
  temp_slot_ = -1;
  temp_path_.clear();
}

void AtomicFile::Discard() {
  finished_ = false;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  ForgetTemporary();
}

}  // namespace korvalind
