#include "piped_child.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>

namespace korvalind::testing {

PipedChild::PipedChild(const std::string& program, const std::vector<std::string>& args) {
  int in[2], out[2];
  if (::pipe(in) != 0) return;
  if (::pipe(out) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  std::signal(SIGPIPE, SIG_IGN);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    for (int fd : {in[0], in[1], out[0], out[1], null}) ::close(fd);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_fd_ = out[0];
}

PipedChild::~PipedChild() {
  if (pid_ > 0) Finish();
}

bool PipedChild::Write(std::string_view bytes) {
  while (!bytes.empty() && input_ >= 0) {
    // Drain the output meanwhile, so that a child blocked on a full output pipe can go on.
    pollfd fds[2] = {{input_, POLLOUT, 0}, {output_fd_, POLLIN, 0}};
    if (::poll(fds, output_fd_ >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return false;
    if (fds[1].revents != 0) ReadSome(0);
    if (fds[0].revents == 0) continue;
    ssize_t n = ::write(input_, bytes.data(), std::min<size_t>(bytes.size(), 1 << 16));
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return bytes.empty();
}

void PipedChild::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

bool PipedChild::ReadSome(int timeout_ms) {
  if (output_fd_ < 0) return false;
  pollfd fd = {output_fd_, POLLIN, 0};
  int ready = ::poll(&fd, 1, timeout_ms);
  if (ready <= 0) return ready == 0 || errno == EINTR;
  char buffer[1 << 16];
  ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
  if (n <= 0) {
    ::close(output_fd_);
    output_fd_ = -1;
    return false;
  }
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool PipedChild::WaitForLines(size_t lines, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (static_cast<size_t>(std::count(output_.begin(), output_.end(), '\n')) >= lines) {
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || output_fd_ < 0) return false;
    ReadSome(static_cast<int>(left.count()));
  }
}

int PipedChild::Finish(long* peak_rss_kib) {
  CloseInput();
  while (output_fd_ >= 0) ReadSome(-1);
  int status = 0;
  rusage usage{};
  while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (peak_rss_kib != nullptr) *peak_rss_kib = usage.ru_maxrss;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace korvalind::testing
