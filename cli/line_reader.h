#pragma once

#include <string>
#include <string_view>

namespace korvalind::cli {

// Reads lines from a file descriptor in large chunks, without an allocation per line. A line
// ends at LF (a CR before it is dropped); the last line may lack its end. A line longer than
// kMaxLine bytes (its end not counted) is never held whole: Next() reports it as too long, with
// its first kMaxLine bytes, and skips the rest however long it goes on.
class LineReader {
 public:
  static constexpr size_t kMaxLine = 4096;

  // before_block is called right before a read that may wait for input, so that answers to the
  // lines read so far can be flushed first (an interactive pipe then sees them at once).
  LineReader(int fd, void (*before_block)(void*), void* context);

  // Stores the next line and whether it was too long; false at the end of input or on a read
  // error (then error() says which). The line stays valid until the next call. Input that is not
  // ready on a non-blocking descriptor is waited for, not taken for the end.
  bool Next(std::string_view* line, bool* too_long);

  // Stores the whole lines that the buffer holds, each with its LF (and a CR before it), at least
  // one, reading more when it holds none. False when the next line cannot be given this way (one
  // too long to be held whole, the last one without its end) or at the end of input: Next() then
  // gives it, or says that the input has ended. Lines are valid until the next call.
  bool NextLines(std::string_view* lines);

  // The errno of a failed read, or 0.
  int error() const { return error_; }

 private:
  bool Fill();
  void SkipRestOfLine();

  int fd_;
  void (*before_block_)(void*);
  void* context_;
  std::string buffer_;
  std::string held_;  // the head of an over-long line, whose bytes left the buffer
  size_t begin_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  int error_ = 0;
};

}  // namespace korvalind::cli
