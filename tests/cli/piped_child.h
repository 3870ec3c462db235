#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace korvalind::testing {

// A program run with pipes on its standard input and output that a test feeds and reads a
// piece at a time, as an interactive user or a pipeline with pauses would. Standard error is
// discarded.
class PipedChild {
 public:
  PipedChild(const std::string& program, const std::vector<std::string>& args);
  PipedChild(const PipedChild&) = delete;
  PipedChild& operator=(const PipedChild&) = delete;
  ~PipedChild();

  bool started() const { return pid_ > 0; }

  // Writes all of bytes to the child's input; false when the child closed it.
  bool Write(std::string_view bytes);
  void CloseInput();

  // Reads the child's output until it has sent lines line ends in all, the output ends, or
  // timeout_ms passes without the lines. Returns everything read so far, and whether the lines
  // arrived.
  bool WaitForLines(size_t lines, int timeout_ms);
  const std::string& output() const { return output_; }

  // Closes the input, reads the output to its end and waits for the child. Returns the exit
  // status (-1 when it did not exit normally) and sets *peak_rss_kib to its peak memory.
  int Finish(long* peak_rss_kib = nullptr);

 private:
  bool ReadSome(int timeout_ms);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_fd_ = -1;
  std::string output_;
};

}  // namespace korvalind::testing
