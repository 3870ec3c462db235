#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/commands.h"

namespace korvalind::cli {

bool Output::Flush() {
  size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      error_ = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
  return !failed_;
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "korvalind: %s\n", message.c_str());
}

void EndByClosedPipe() {
  std::fflush(stderr);
  std::signal(SIGPIPE, SIG_DFL);
  std::raise(SIGPIPE);
  std::_Exit(kExitClosedPipe);
}

}  // namespace korvalind::cli
