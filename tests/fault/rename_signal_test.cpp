// A signal that arrives between two renames of a group of outputs. This program replaces
// rename() for everything linked into it, so that the signal lands exactly there: after the
// first target was replaced and before the second. Before, the handler ended the process with
// that mix (and removed the previous files kept for a put-back); now the renames finish first.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/file_io.h"
#include "platform/temp_files.h"
#include "support/temp_dir.h"

namespace {
int g_signal_after_renames = 0;  // 0: rename() as usual
}  // namespace

extern "C" int rename(const char* from, const char* to) {
  const int result = ::renameat(AT_FDCWD, from, AT_FDCWD, to);
  if (g_signal_after_renames > 0 && --g_signal_after_renames == 0) ::raise(SIGTERM);
  return result;
}

namespace korvalind {
namespace {

TEST(RenameSignal, SignalBetweenTwoRenamesFindsEveryTargetNew) {
  testing::TempDir dir;
  const char* names[] = {"city", "areacode", "simcard2.sql"};
  for (const char* name : names) testing::WriteFile(dir.File(name), "old");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RemoveTemporaryFilesOnSignals();
    AtomicFile files[3];
    for (int i = 0; i < 3; ++i) {
      if (!files[i].Open(dir.File(names[i])).ok()) ::_exit(3);
      files[i].Write("new");
    }
    g_signal_after_renames = 1;
    (void)CommitTogether(files);
    ::_exit(0);  // not reached: the held SIGTERM ends the process once the renames are done
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  for (const char* name : names) EXPECT_EQ(testing::ReadFile(dir.File(name)), "new") << name;
  size_t entries = 0;  // neither a temporary file nor a kept previous file is left
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 3u);
}

}  // namespace
}  // namespace korvalind
