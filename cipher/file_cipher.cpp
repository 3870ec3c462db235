#include "cipher/file_cipher.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cipher/rc2.h"

namespace korvalind {

const std::string CipherKey = "TaviRusk";

namespace {

// Whole blocks are read and written this many bytes at a time; a multiple of the block size, so
// only the last chunk of a file can end inside a block.
constexpr size_t kChunkSize = size_t{1} << 20;
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

Status EmptyKeyError() { return Status::InvalidArgument("the cipher key is empty"); }

// Both streams of one operation; every way out of the operation closes them. Unbuffered, since
// all reads and writes are whole chunks and a stream buffer would only add a copy.
class StreamPair {
 public:
  StreamPair(const std::string& source_path, const std::string& target_path)
      : source_path_(source_path), target_path_(target_path) {}
  StreamPair(const StreamPair&) = delete;
  StreamPair& operator=(const StreamPair&) = delete;
  ~StreamPair() {
    if (source_ != nullptr) std::fclose(source_);
    if (target_ != nullptr) std::fclose(target_);
  }

  // The source is opened and checked before the target is created, so that a source that cannot
  // be read never costs the target its contents.
  Status Open() {
    source_ = std::fopen(source_path_.c_str(), "rb");
    if (source_ == nullptr) {
      const int error = errno;
      std::string message = "cannot open " + Quoted(source_path_) + ": " + std::strerror(error);
      return error == ENOENT ? Status::NotFound(message) : Status::IoError(message);
    }
    struct stat source_info {};
    if (::fstat(::fileno(source_), &source_info) == 0) {
      if (S_ISDIR(source_info.st_mode)) {
        return Status::IoError("cannot read " + Quoted(source_path_) + ": " +
                               std::strerror(EISDIR));
      }
      // Opening the target for writing would empty the source before a byte of it was read.
      struct stat target_info {};
      if (::stat(target_path_.c_str(), &target_info) == 0 &&
          target_info.st_dev == source_info.st_dev && target_info.st_ino == source_info.st_ino) {
        return Status::InvalidArgument(Quoted(source_path_) + " and " + Quoted(target_path_) +
                                       " are the same file");
      }
    }
    std::setvbuf(source_, nullptr, _IONBF, 0);
    target_ = std::fopen(target_path_.c_str(), "wb");
    if (target_ == nullptr) {
      return Status::IoError("cannot create " + Quoted(target_path_) + ": " + std::strerror(errno));
    }
    std::setvbuf(target_, nullptr, _IONBF, 0);
    return Status::Ok();
  }

  // Reads up to size bytes; fewer only at the end of the source or on an error.
  Status Read(std::uint8_t* buffer, size_t size, size_t* delivered) {
    *delivered = std::fread(buffer, 1, size, source_);
    if (std::ferror(source_)) {
      return Status::IoError("cannot read " + Quoted(source_path_) + ": " + std::strerror(errno));
    }
    return Status::Ok();
  }

  Status Write(const std::uint8_t* buffer, size_t size) {
    if (size == 0) return Status::Ok();
    if (std::fwrite(buffer, 1, size, target_) != size || std::ferror(target_)) {
      return WriteError(errno);
    }
    return Status::Ok();
  }

  // A failure to close the target can mean lost data, so it is reported like a write error.
  Status Close() {
    std::fclose(source_);
    source_ = nullptr;
    const int result = std::fclose(target_);
    target_ = nullptr;
    return result == 0 ? Status::Ok() : WriteError(errno);
  }

 private:
  Status WriteError(int error) const {
    return Status::IoError("cannot write " + Quoted(target_path_) + ": " + std::strerror(error));
  }

  const std::string& source_path_;
  const std::string& target_path_;
  std::FILE* source_ = nullptr;
  std::FILE* target_ = nullptr;
};

// The buffer has room for one block beyond a chunk, for the fill block of a chunk-sized tail.
std::unique_ptr<std::uint8_t[]> ChunkBuffer() {
  return std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize + kRc2BlockSize);
}

}  // namespace

Status EncipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key) {
  Rc2KeySchedule schedule;
  if (!ExpandFileKey(key, &schedule)) return EmptyKeyError();
  StreamPair streams(sourcePath, targetPath);
  if (Status status = streams.Open(); !status.ok()) return status;

  auto buffer = ChunkBuffer();
  for (;;) {
    size_t delivered = 0;
    Status read = streams.Read(buffer.get(), kChunkSize, &delivered);
    const size_t whole = delivered - delivered % kRc2BlockSize;
    if (!read.ok()) {
      // The blocks read before the error are kept, as they would be had they come one by one.
      Rc2EncipherBlocks(schedule, buffer.get(), whole);
      (void)streams.Write(buffer.get(), whole);
      return read;
    }
    size_t size = whole;
    const bool at_end = delivered < kChunkSize;
    if (at_end) {
      // The last block: the 0 to 7 remaining bytes and 1 to 8 zero bytes. A plain length that is a
      // multiple of 8 therefore still ends with a whole block of zeros.
      std::memset(buffer.get() + delivered, 0, kRc2BlockSize - delivered % kRc2BlockSize);
      size += kRc2BlockSize;
    }
    Rc2EncipherBlocks(schedule, buffer.get(), size);
    if (Status write = streams.Write(buffer.get(), size); !write.ok()) return write;
    if (at_end) return streams.Close();
  }
}

Status DecipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key) {
  Rc2KeySchedule schedule;
  if (!ExpandFileKey(key, &schedule)) return EmptyKeyError();
  StreamPair streams(sourcePath, targetPath);
  if (Status status = streams.Open(); !status.ok()) return status;

  auto buffer = ChunkBuffer();
  size_t total = 0;
  for (;;) {
    size_t delivered = 0;
    Status read = streams.Read(buffer.get(), kChunkSize, &delivered);
    const size_t whole = delivered - delivered % kRc2BlockSize;
    Rc2DecipherBlocks(schedule, buffer.get(), whole);
    Status write = streams.Write(buffer.get(), whole);
    total += delivered;
    if (!read.ok()) return read;
    if (!write.ok()) return write;
    if (whole != delivered) {
      Status closed = streams.Close();
      if (!closed.ok()) return closed;
      return Status::Corruption(
          Quoted(sourcePath) + " is not a whole number of 8-byte blocks (" + std::to_string(total) +
          " bytes); the " + std::to_string(total - total % kRc2BlockSize) +
          " whole bytes before the tail were written to " + Quoted(targetPath));
    }
    if (delivered < kChunkSize) return streams.Close();
  }
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
