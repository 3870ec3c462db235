#include "cli/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvalind::cli {
namespace {
constexpr size_t kChunk = 1 << 16;
}  // namespace

LineReader::LineReader(int fd, void (*before_block)(void*), void* context)
    : fd_(fd), before_block_(before_block), context_(context), buffer_(kChunk + kMaxLine + 1, '\0') {}

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
    if (n <= 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
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
      *line = std::string_view(start, length);
      return true;
    }
    if (end_ - begin_ > kMaxLine) {
      // Too long: answer with its head and skip the rest of it, however long it goes on.
      *too_long = true;
      std::string head(start, kMaxLine);
      begin_ = end_;
      for (;;) {
        if (!Fill()) break;
        const void* next_lf = std::memchr(buffer_.data(), '\n', end_);
        if (next_lf != nullptr) {
          begin_ = static_cast<size_t>(static_cast<const char*>(next_lf) - buffer_.data()) + 1;
          break;
        }
        begin_ = end_;
      }
      // The refills overwrote the buffer, so the head is handed out from its own copy.
      held_ = std::move(head);
      *line = held_;
      return true;
    }
    if (!Fill()) {
      if (end_ > begin_) {
        *line = std::string_view(buffer_.data() + begin_, end_ - begin_);
        begin_ = end_;
        return true;
      }
      return false;
    }
  }
}

}  // namespace korvalind::cli
