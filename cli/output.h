#pragma once

#include <string>
#include <string_view>

namespace korvalind::cli {

// Buffered writes to a file descriptor, flushed when the buffer is large or on demand. A write
// error (a closed pipe, a full disk) is remembered; later writes are dropped, and the caller
// should stop producing output at the first failure.
class Output {
 public:
  explicit Output(int fd) : fd_(fd) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() { Flush(); }

  void Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushSize) Flush();
  }
  // Returns false once any write has failed.
  bool Flush();
  bool failed() const { return failed_; }
  // The errno of the failed write (EPIPE: the reader has gone), or 0.
  int error() const { return error_; }
  std::string& buffer() { return buffer_; }

 private:
  static constexpr size_t kFlushSize = 1 << 16;
  int fd_;
  std::string buffer_;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace korvalind::cli
