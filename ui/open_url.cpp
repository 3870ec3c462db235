#include "ui/open_url.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "ui/url_command.h"

extern char** environ;

namespace korvalind::ui {
namespace {

struct Spawned {
  pid_t pid = -1;
  int error = 0;  // errno of a failed start
};

// Starts args[0] (looked up in PATH) with stdout sent to outFd when it is not -1. No shell is
// involved, so nothing in a URL is ever interpreted.
Spawned Spawn(const std::vector<std::string>& args, int outFd = -1) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  Spawned spawned;
  int rc = posix_spawnp(&spawned.pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return {-1, rc};
  return spawned;
}

// A handler left running is waited for by a thread of its own, so that it never lingers as a
// zombie and the window never waits for it.
void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

// The exit status of pid (a signal counts as 128 + its number), or nullopt when it is still
// running after patience.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 && errno != EINTR) return 128;
    if (std::chrono::steady_clock::now() >= deadline) {
      ReapLater(pid);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// The standard output of a short helper program, empty when it fails.
std::string CaptureOutput(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  Spawned child = Spawn(args, fds[1]);
  close(fds[1]);
  std::string output;
  if (child.pid >= 0) {
    char buffer[512];
    for (;;) {
      ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n > 0) {
        output.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
  }
  close(fds[0]);
  if (child.pid < 0) return {};
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return output;
}

std::string Trimmed(std::string text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Results of background openers are handed to the application only while it runs: a thread
// that finishes after the application has ended drops its result.
std::mutex results_mutex;
bool results_closed = false;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string DefaultWebHandlerExec() {
  const std::vector<std::string> folders =
      XdgDataFolders(Env("XDG_DATA_HOME"), Env("HOME"), Env("XDG_DATA_DIRS"));
  for (const char* type : {"x-scheme-handler/http", "text/html"}) {
    std::string id = Trimmed(CaptureOutput({"xdg-mime", "query", "default", type}));
    for (const std::string& path : DesktopFileCandidates(id, folders)) {
      std::string text;
      if (!ReadWholeFile(path, &text).ok()) continue;
      std::string exec = DesktopEntryExec(text);
      if (!exec.empty()) return exec;
    }
  }
  return {};
}

int OpenUrl(const std::string& url, int /*showCmd*/, std::chrono::milliseconds patience) {
  int result;
  Spawned opener = Spawn({"xdg-open", url});
  if (opener.pid < 0) {
    result = CodeForSpawnError(opener.error);
  } else {
    std::optional<int> status = WaitFor(opener.pid, patience);
    result = status ? CodeForOpenerExit(*status) : kOpenedCode;
  }
  if (result > 32) return result;

  std::vector<std::string> args = FallbackArguments(DefaultWebHandlerExec(), url);
  if (args.empty()) return result;
  Spawned handler = Spawn(args);
  if (handler.pid < 0) return CodeForSpawnError(handler.error);
  ReapLater(handler.pid);
  return kOpenedCode;
}

void OpenUrlInBackground(const std::string& url, wxWindow* owner, std::function<void(int)> done) {
  if (!done || !owner) {
    std::thread([url] { OpenUrl(url, SW_SHOW); }).detach();
    return;
  }
  // The weak reference is made, read and released on the user-interface thread only: the
  // worker merely carries it.
  auto watch = std::make_shared<wxWeakRef<wxWindow>>(owner);
  std::thread([url, watch = std::move(watch), done = std::move(done)]() mutable {
    const int result = OpenUrl(url, SW_SHOW);
    const std::lock_guard<std::mutex> lock(results_mutex);
    wxApp* app = wxTheApp;
    if (results_closed || !app) return;
    app->CallAfter([watch = std::move(watch), done = std::move(done), result] {
      if (*watch) done(result);
    });
  }).detach();
}

void DropLaterOpenResults() {
  const std::lock_guard<std::mutex> lock(results_mutex);
  results_closed = true;
}

}  // namespace korvalind::ui
