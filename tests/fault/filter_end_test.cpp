// How the query filter ends when its reader goes away or its input fails: at once, and saying so
// unless the reader simply left (a pipeline's normal end).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using Clock = std::chrono::steady_clock;
using testing::BundledDirectoryPath;
using testing::ProgramPath;

// The filter with both standard streams on pipes the test holds; standard error is discarded.
struct Filter {
  pid_t pid = -1;
  int input = -1;   // the test writes texts here
  int output = -1;  // and reads answers here
};

Filter StartFilter(bool nonblocking_input) {
  int in[2], out[2];
  Filter filter;
  if (::pipe(in) != 0 || ::pipe(out) != 0) return filter;
  if (nonblocking_input) ::fcntl(in[0], F_SETFL, ::fcntl(in[0], F_GETFL) | O_NONBLOCK);
  const std::string program = ProgramPath();
  const std::string directory = BundledDirectoryPath();
  filter.pid = ::fork();
  if (filter.pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(null, 2);
    for (int fd : {in[0], in[1], out[0], out[1], null}) ::close(fd);
    ::execl(program.c_str(), program.c_str(), "query", "--directory", directory.c_str(), "--format",
            "tsv", "-", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  filter.input = in[1];
  filter.output = out[0];
  return filter;
}

// Waits up to limit for the child; kills it when it is still running. Returns the wait status,
// or -1 when it had to be killed.
int WaitOrKill(pid_t pid, Clock::duration limit) {
  const Clock::time_point end = Clock::now() + limit;
  int status = 0;
  while (Clock::now() < end) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

// `yes 1390123 | korvalind query --format tsv - | head -n1`: the reader takes one line and goes.
// The filter must end by SIGPIPE (or with 141), not read on for ever.
TEST(FilterEnd, ClosedOutputEndsTheFilterQuietly) {
  std::signal(SIGPIPE, SIG_IGN);
  Filter filter = StartFilter(false);
  ASSERT_GT(filter.pid, 0);
  ::close(filter.output);
  std::string lines;
  for (int i = 0; i < 4096; ++i) lines += "1390123\n";
  const Clock::time_point end = Clock::now() + std::chrono::seconds(20);
  // Feeds texts until the filter stops taking them; a bounded loop either way.
  while (Clock::now() < end && ::write(filter.input, lines.data(), lines.size()) > 0) {
  }
  ::close(filter.input);
  int status = WaitOrKill(filter.pid, std::chrono::seconds(5));
  ASSERT_NE(status, -1) << "the filter was still reading after its reader had gone";
  EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) ||
              (WIFEXITED(status) && WEXITSTATUS(status) == 141))
      << "status " << status;
}

// A non-blocking standard input is waited for, and a read error is reported, not taken for the
// end of the input.
TEST(FilterEnd, InputThatIsNotReadyOrCannotBeRead) {
  std::signal(SIGPIPE, SIG_IGN);  // a filter that gave up early closes its input
  Filter filter = StartFilter(true);
  ASSERT_GT(filter.pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(::write(filter.input, "1390123\n", 8), 8);
  ::close(filter.input);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(filter.output, buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(filter.output);
  int status = WaitOrKill(filter.pid, std::chrono::seconds(10));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(out.substr(0, 11), "1390123\tok\t") << out;

  testing::TempDir folder;
  testing::ChildOptions options;
  options.stdin_path = folder.path();  // read() fails with EISDIR
  testing::ChildResult r = testing::RunChild(
      {"query", "--directory", BundledDirectoryPath(), "--format", "tsv", "-"}, options);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "korvalind: cannot read standard input: Is a directory\n");
}

}  // namespace
}  // namespace korvalind
