#include "cli/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvalind::cli {
namespace {

constexpr size_t kChunk = 1 << 17;

// A line of kMaxLine bytes may still be followed by its CR before the LF arrives.
constexpr size_t kMaxPending = LineReader::kMaxLine + 1;

}  // namespace

LineReader::LineReader(int fd, void (*before_block)(void*), void* context)
    : fd_(fd), before_block_(before_block), context_(context), buffer_(kChunk + kMaxPending, '\0') {
  held_.reserve(kMaxLine);
}

bool LineReader::Fill() {
  if (eof_) return false;
  // Keep the unfinished line at the front, then read behind it.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (before_block_ != nullptr) before_block_(context_);
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    if (n <= 0) {
      if (n < 0) error_ = errno;
      eof_ = true;
      return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
  }
}

void LineReader::SkipRestOfLine() {
  begin_ = end_;
  while (Fill()) {
    const void* lf = std::memchr(buffer_.data(), '\n', end_);
    if (lf != nullptr) {
      begin_ = static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data()) + 1;
      return;
    }
    begin_ = end_;
  }
}

bool LineReader::NextLines(std::string_view* lines) {
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const void* last_lf = ::memrchr(start, '\n', end_ - begin_);
    if (last_lf != nullptr) {
      const size_t length = static_cast<size_t>(static_cast<const char*>(last_lf) - start) + 1;
      *lines = std::string_view(start, length);
      begin_ += length;
      return true;
    }
    if (end_ - begin_ > kMaxPending || !Fill()) return false;
  }
}

bool LineReader::Next(std::string_view* line, bool* too_long) {
  *too_long = false;
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const void* lf = std::memchr(start, '\n', end_ - begin_);
    if (lf != nullptr) {
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - start);
      begin_ += length + 1;
      if (length > 0 && start[length - 1] == '\r') --length;
      *too_long = length > kMaxLine;
      *line = std::string_view(start, *too_long ? kMaxLine : length);
      return true;
    }
    if (end_ - begin_ > kMaxPending) {
      // Too long whatever follows: answer with its head, which the refills would overwrite.
      *too_long = true;
      held_.assign(start, kMaxLine);
      SkipRestOfLine();
      *line = held_;
      return true;
    }
    if (!Fill()) {
      if (end_ == begin_) return false;
      size_t length = end_ - begin_;
      *line = std::string_view(buffer_.data() + begin_, length > kMaxLine ? kMaxLine : length);
      *too_long = length > kMaxLine;
      begin_ = end_;
      return true;
    }
  }
}

}  // namespace korvalind::cli
