#include "serve/event_log.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace korvalind::serve {

void LogEvent(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length < 0) return;
  std::string line = "korvalind serve: ";
  line.append(text, std::min<size_t>(static_cast<size_t>(length), sizeof text - 1));
  line += '\n';
  // One write call per line: lines from several threads never interleave.
  for (size_t done = 0; done < line.size();) {
    ssize_t written = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (written <= 0) return;
    done += static_cast<size_t>(written);
  }
}

}  // namespace korvalind::serve
