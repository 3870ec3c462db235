#include "fault/fault_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "support/temp_dir.h"

namespace korvalind::testing {
namespace {

// In the child only: a private mount namespace in which folder is a read-only bind of itself,
// so that even root cannot write there; without root, plain permissions do the same.
bool MakeReadOnlyInChild(const std::string& folder) {
  if (::geteuid() != 0) return ::chmod(folder.c_str(), 0555) == 0;
  return ::unshare(CLONE_NEWNS) == 0 &&
         ::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount(folder.c_str(), folder.c_str(), "none", MS_BIND, nullptr) == 0 &&
         ::mount("none", folder.c_str(), "none", MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// In the child only: a private mount namespace in which folder is a small empty tmpfs.
bool MountSmallDiskInChild(const std::string& folder, const std::string& mount_options) {
  return ::unshare(CLONE_NEWNS) == 0 &&
         ::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount("tmpfs", folder.c_str(), "tmpfs", 0, mount_options.c_str()) == 0;
}

bool Redirect(const std::string& path, int flags, int fd) {
  int opened = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  return opened >= 0 && ::dup2(opened, fd) == fd;
}

}  // namespace

const std::string& ProgramPath() {
  static const std::string path = KORVALIND_BINARY;
  return path;
}

const std::string& BundledDirectoryPath() {
  static const std::string path = KORVALIND_BUNDLED_DIRECTORY;
  return path;
}

pid_t StartChild(const std::vector<std::string>& args, const ChildOptions& options,
                 const std::string& out_path, const std::string& err_path) {
  // Everything that allocates is done before fork, so that the child makes system calls only.
  const std::string program = options.program.empty() ? ProgramPath() : options.program;
  const std::string in = options.stdin_path.empty() ? "/dev/null" : options.stdin_path;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string small_disk = "size=" + std::to_string(options.small_disk_bytes);
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (options.start_gate >= 0) {
    char byte;
    if (::read(options.start_gate, &byte, 1) != 1) ::_exit(125);
  }
  if (!Redirect(in, O_RDONLY, STDIN_FILENO) ||
      !Redirect(out_path, O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO) ||
      !Redirect(err_path, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO)) {
    ::_exit(125);
  }
  if (!options.read_only_folder.empty() && !MakeReadOnlyInChild(options.read_only_folder)) {
    ::_exit(126);
  }
  if (!options.small_disk_folder.empty() &&
      !MountSmallDiskInChild(options.small_disk_folder, small_disk)) {
    ::_exit(126);
  }
  if (options.file_size_limit != RLIM_INFINITY) {
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
    rlimit limit{options.file_size_limit, options.file_size_limit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
  }
  if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(126);
  for (const auto& [name, value] : options.env) ::setenv(name.c_str(), value.c_str(), 1);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

ChildResult WaitChild(pid_t pid) {
  ChildResult result;
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  result.peakRssKb = usage.ru_maxrss;
  return result;
}

ChildResult RunChild(const std::vector<std::string>& args, const ChildOptions& options) {
  TempDir streams;
  const std::string out = options.stdout_path.empty() ? streams.File("out") : options.stdout_path;
  const std::string err = streams.File("err");
  ChildResult result = WaitChild(StartChild(args, options, out, err));
  if (!options.read_only_folder.empty() && ::geteuid() != 0) {
    ::chmod(options.read_only_folder.c_str(), 0755);
  }
  if (options.stdout_path.empty()) result.out = ReadFile(out);
  result.err = ReadFile(err);
  return result;
}

bool CanMakeFolderReadOnly() {
  if (::geteuid() != 0) return true;
  static const bool can = [] {
    pid_t pid = ::fork();
    if (pid == 0) {
      bool ok = ::unshare(CLONE_NEWNS) == 0 &&
                ::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0;
      ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
  }();
  return can;
}

std::vector<std::string> FolderSnapshot(const std::string& folder) {
  std::vector<std::string> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    ::lstat((folder + "/" + name).c_str(), &info);
    // A folder's own size and time change when files come and go in it; its entries are what
    // count, and a snapshot of it shows them.
    if (S_ISDIR(info.st_mode)) {
      entries.push_back(name + "/");
      continue;
    }
    entries.push_back(name + " " + std::to_string(info.st_size) + " " +
                      std::to_string(info.st_mtim.tv_sec) + "." +
                      std::to_string(info.st_mtim.tv_nsec));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end());
  return entries;
}

void CopyFile(const std::string& from, const std::string& to) { WriteFile(to, ReadFile(from)); }

}  // namespace korvalind::testing
