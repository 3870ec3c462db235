#include "cipher/file_cipher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "cipher/chunk_pipeline.h"
#include "cipher/rc2.h"
#include "platform/file_io.h"

namespace korvalind {

const std::string CipherKey = "TaviRusk";

namespace {

// Whole blocks are read and written this many bytes at a time; a multiple of the block size, so
// only the last chunk of a file can end inside a block. Small enough that a chunk is still in
// the processor's cache when it is deciphered and written (64 MiB took about a tenth less CPU
// time than with 1 MiB chunks).
constexpr size_t kChunkSize = size_t{1} << 18;
constexpr size_t kMaxKeyBytes = 255;
constexpr unsigned kEffectiveBits = 1024;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The key is a C string of at most 255 bytes: anything after a NUL or beyond that does not count.
std::string_view UsableKey(std::string_view key) {
  return key.substr(0, key.find('\0')).substr(0, kMaxKeyBytes);
}

bool ExpandFileKey(std::string_view key, Rc2KeySchedule* schedule) {
  key = UsableKey(key);
  return Rc2ExpandKey(schedule, reinterpret_cast<const std::uint8_t*>(key.data()), key.size(),
                      kEffectiveBits);
}

// The longest source: a directory file (32-bit region ends, a 12-byte trailer, up to 8 fill
// bytes), enciphered or plain.
constexpr std::uint64_t kMaxSourceSize = std::uint64_t{0xFFFFFFFF} + 12 + 8;

Status EmptyKeyError() { return Status::InvalidArgument("the cipher key is empty"); }

// The source, opened and checked before anything is done to the target, so that a source that
// cannot be read never costs the target its contents.
class Source {
 public:
  Source() = default;
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  ~Source() {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Open(const std::string& path, const std::string& target_path) {
    // O_NONBLOCK: a FIFO without a writer must not hold the open; it is refused below.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
      const int error = errno;
      std::string message = "cannot open " + Quoted(path) + ": " + std::strerror(error);
      return error == ENOENT ? Status::NotFound(message) : Status::IoError(message);
    }
    struct stat source_info {};
    if (::fstat(fd_, &source_info) != 0) return ReadError(path, errno);
    if (S_ISDIR(source_info.st_mode)) return ReadError(path, EISDIR);
    // A device such as /dev/zero would be read for ever, and no directory is longer than
    // kMaxSourceSize: both are refused before a byte is read.
    if (!S_ISREG(source_info.st_mode)) {
      return Status::IoError("cannot read " + Quoted(path) + ": it is not a regular file");
    }
    if (static_cast<std::uint64_t>(source_info.st_size) > kMaxSourceSize) {
      return Status::IoError("cannot read " + Quoted(path) + ": it is larger than " +
                             std::to_string(kMaxSourceSize) + " bytes, the most it may hold");
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // Writing the target would replace the source before a byte of it was read.
    struct stat target_info {};
    if (::stat(target_path.c_str(), &target_info) == 0 &&
        target_info.st_dev == source_info.st_dev && target_info.st_ino == source_info.st_ino) {
      return Status::InvalidArgument(Quoted(path) + " and " + Quoted(target_path) +
                                     " are the same file");
    }
    return Status::Ok();
  }

  int fd() const { return fd_; }

  static Status ReadError(const std::string& path, int error) {
    return Status::IoError("cannot read " + Quoted(path) + ": " + std::strerror(error));
  }

 private:
  int fd_ = -1;
};

// The target. A regular file (or a new name) is written under a temporary name beside it and
// renamed into place only when complete, keeping its permissions; a symbolic link to one has the
// file it names replaced. Anything else that exists (a device such as /dev/null, a FIFO) is
// written straight, since it cannot be replaced.
class Target {
 public:
  Target() = default;
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  ~Target() {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Open(const std::string& path) {
    path_ = path;
    std::string replaced = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
      if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) return Status::IoError("cannot create " + Quoted(path) + ": " + Reason(errno));
        return Status::Ok();
      }
      if (S_ISDIR(info.st_mode)) {
        return Status::IoError("cannot create " + Quoted(path) + ": " + Reason(EISDIR));
      }
      struct stat link {};
      if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
          replaced = resolved;
          std::free(resolved);
        }
      }
    }
    return file_.Open(replaced);
  }

  bool Write(const std::uint8_t* data, size_t size) {
    if (fd_ < 0) {
      file_.Write(data, size);
      return !file_.write_failed();
    }
    for (size_t done = 0; done < size;) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        direct_error_ = errno;
        return false;
      }
      done += static_cast<size_t>(n);
    }
    return true;
  }

  // Puts the written bytes into place (the rename), or reports why they cannot be.
  Status Commit() {
    if (fd_ < 0) return file_.Commit();
    int error = direct_error_;
    if (::close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error != 0) return Status::IoError("cannot write " + Quoted(path_) + ": " + Reason(error));
    return Status::Ok();
  }

  // The write error, if any, leaving the target as it was (the temporary file is removed).
  Status Abandon() {
    if (fd_ < 0) return file_.Finish();
    return Commit();
  }

 private:
  static std::string Reason(int error) { return std::strerror(error); }

  std::string path_;
  AtomicFile file_;
  int fd_ = -1;  // a target written straight
  int direct_error_ = 0;
};

// Runs one operation: transform sees each chunk on the reading thread (see RunChunkPipeline).
// ending gives the result once the whole source was read and the target is in place, from the
// number of bytes read.
Status RunFileCipher(const std::string& source_path, const std::string& target_path,
                     const std::function<size_t(std::uint8_t*, size_t, bool)>& transform,
                     const std::function<Status(std::uint64_t total)>& ending) {
  Source source;
  if (Status status = source.Open(source_path, target_path); !status.ok()) return status;
  Target target;
  if (Status status = target.Open(target_path); !status.ok()) return status;
  ChunkPipelineResult result = RunChunkPipeline(
      source.fd(), kChunkSize, kRc2BlockSize, transform,
      [&target](const std::uint8_t* data, size_t size) { return target.Write(data, size); });
  if (result.stopped) return target.Abandon();
  if (result.readError != 0) {
    // A source that cannot be read to its end leaves the target as it was.
    (void)target.Abandon();
    return Source::ReadError(source_path, result.readError);
  }
  if (Status status = target.Commit(); !status.ok()) return status;
  return ending(result.bytesRead);
}

}  // namespace

Status EncipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key) {
  Rc2KeySchedule schedule;
  if (!ExpandFileKey(key, &schedule)) return EmptyKeyError();
  return RunFileCipher(
      sourcePath, targetPath,
      [&schedule](std::uint8_t* data, size_t delivered, bool at_end) {
        size_t size = delivered - delivered % kRc2BlockSize;
        if (at_end) {
          // The last block: the 0 to 7 remaining bytes and 1 to 8 zero bytes. A plain length that
          // is a multiple of 8 therefore still ends with a whole block of zeros.
          std::memset(data + delivered, 0, kRc2BlockSize - delivered % kRc2BlockSize);
          size += kRc2BlockSize;
        }
        Rc2EncipherBlocks(schedule, data, size);
        return size;
      },
      [](std::uint64_t) { return Status::Ok(); });
}

Status DecipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key) {
  Rc2KeySchedule schedule;
  if (!ExpandFileKey(key, &schedule)) return EmptyKeyError();
  return RunFileCipher(
      sourcePath, targetPath,
      [&schedule](std::uint8_t* data, size_t delivered, bool) {
        const size_t whole = delivered - delivered % kRc2BlockSize;
        Rc2DecipherBlocks(schedule, data, whole);
        return whole;
      },
      [&](std::uint64_t total) {
        if (total % kRc2BlockSize == 0) return Status::Ok();
        return Status::Corruption(Quoted(sourcePath) + " is not a whole number of 8-byte blocks (" +
                                  std::to_string(total) + " bytes); the " +
                                  std::to_string(total - total % kRc2BlockSize) +
                                  " whole bytes before the tail were written to " +
                                  Quoted(targetPath));
      });
}

int EncipherFile(const char* sourcePath, const char* targetPath, const char* key) {
  if (sourcePath == nullptr || targetPath == nullptr || key == nullptr) return 0;
  return EncipherFileChecked(sourcePath, targetPath, key).ok() ? 1 : 0;
}

int DecipherFile(const char* sourcePath, const char* targetPath, const char* key) {
  if (sourcePath == nullptr || targetPath == nullptr || key == nullptr) return 0;
  return DecipherFileChecked(sourcePath, targetPath, key).ok() ? 1 : 0;
}

std::string EncipherBytes(std::string_view plain, std::string_view key) {
  Rc2KeySchedule schedule;
  if (!ExpandFileKey(key, &schedule)) return {};
  std::string cipher(plain.size() - plain.size() % kRc2BlockSize + kRc2BlockSize, '\0');
  if (!plain.empty()) std::memcpy(cipher.data(), plain.data(), plain.size());
  Rc2EncipherBlocks(schedule, reinterpret_cast<std::uint8_t*>(cipher.data()), cipher.size());
  return cipher;
}

bool DecipherBytes(std::string_view cipher, std::string_view key, std::string* plain) {
  std::string result(cipher);
  if (!DecipherInPlace(reinterpret_cast<std::uint8_t*>(result.data()), result.size(), key)) {
    return false;
  }
  *plain = std::move(result);
  return true;
}

bool DecipherInPlace(std::uint8_t* data, size_t size, std::string_view key) {
  Rc2KeySchedule schedule;
  if (size % kRc2BlockSize != 0 || !ExpandFileKey(key, &schedule)) return false;
  Rc2DecipherBlocks(schedule, data, size);
  return true;
}

}  // namespace korvalind
