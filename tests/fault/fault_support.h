#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvalind::testing {

// The korvalind program under test and the bundled directory beside it.
const std::string& ProgramPath();
const std::string& BundledDirectoryPath();

// How to start a child.
struct ChildOptions {
  std::string program;      // the program to run; empty: the korvalind program under test
  std::string cwd;          // folder to run in; empty: the test's own
  std::string stdin_path;   // file given as standard input; empty: /dev/null
  std::string stdout_path;  // file (or device) for standard output; empty: a fresh temp file
  rlim_t file_size_limit = RLIM_INFINITY;  // RLIMIT_FSIZE, with SIGXFSZ ignored
  std::string read_only_folder;            // a folder the child sees read-only
  std::string small_disk_folder;  // a folder the child sees as an empty tmpfs (root only)...
  size_t small_disk_bytes = 0;    // ...of this many bytes
  std::vector<std::pair<std::string, std::string>> env;
  int start_gate = -1;  // when set, the child reads one byte from this descriptor before exec
};

struct ChildResult {
  int exitCode = -1;  // -1 when killed by a signal
  int signal = 0;     // the signal that ended it, or 0
  std::string out;    // standard output, when it went to a temp file
  std::string err;
  double cpuSeconds = 0;       // user + system time of the child
  std::int64_t peakRssKb = 0;  // maximum resident set size of the child
};

// Starts the program with args; returns its pid, or -1. Standard output goes to
// out_path and standard error to err_path.
pid_t StartChild(const std::vector<std::string>& args, const ChildOptions& options,
                 const std::string& out_path, const std::string& err_path);

// Waits for pid and collects its status and resource use.
ChildResult WaitChild(pid_t pid);

// StartChild + WaitChild, with the outputs read back.
ChildResult RunChild(const std::vector<std::string>& args, const ChildOptions& options = {});

// Whether a read-only view of a folder can be given to a child (a private mount namespace, which
// needs root, or plain permissions, which stop everyone but root).
bool CanMakeFolderReadOnly();

// The names in a folder, each file with its size and modification time (a folder by its name
// alone), for before/after checks.
std::vector<std::string> FolderSnapshot(const std::string& folder);

// Copies a file byte for byte.
void CopyFile(const std::string& from, const std::string& to);

}  // namespace korvalind::testing
