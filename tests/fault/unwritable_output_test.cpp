// Outputs that cannot be written: a path through a regular file, a path under /proc, and folders
// that are read-only even for root (a read-only bind in a private mount namespace). Every command
// fails with a message naming the path and leaves what was there untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::FolderSnapshot;
using testing::RunChild;
using testing::TempDir;

// A data folder that has been through the pipeline once, then given a changed dump, so that a
// run that wrote anything would show.
struct Workspace {
  TempDir dir;
  std::string data = dir.File("data");
  std::string blocker = dir.File("blocker");  // a regular file where a folder is expected
  std::string output = dir.File("out.dat");

  Workspace() {
    std::filesystem::create_directory(data);
    testing::WriteFile(blocker, "not a folder");
    testing::WriteWorkedData(data);
    ChildResult made = RunChild({"make-directory", "--data", data, "--output", output});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    testing::WriteGeneratedData(data, 50);
  }
};

TEST(UnwritableOutput, CommandsFailAndChangeNothing) {
  struct Case {
    const char* what;
    // The arguments, given the workspace.
    std::function<std::vector<std::string>(const Workspace&)> args;
    bool read_only_data = false;
    int exit_code;
    // What the message must name, given the workspace.
    std::function<std::string(const Workspace&)> named;
  };
  const std::vector<Case> cases = {
      {"output through a regular file",
       [](const Workspace& w) {
         return std::vector<std::string>{"make-directory", "--data", w.data, "--output",
                                         w.blocker + "/Korvalind.dat"};
       },
       false, 2, [](const Workspace& w) { return w.blocker + "/Korvalind.dat"; }},
      {"output under /proc",
       [](const Workspace& w) {
         return std::vector<std::string>{"make-directory", "--data", w.data, "--output",
                                         "/proc/korvalind-test/Korvalind.dat"};
       },
       false, 2, [](const Workspace&) { return std::string("/proc/korvalind-test"); }},
      {"make-directory, read-only data folder",
       [](const Workspace& w) {
         return std::vector<std::string>{"make-directory", "--data", w.data, "--output", w.output};
       },
       true, 2, [](const Workspace& w) { return w.data + "/"; }},
      {"convert-areacodes, read-only data folder",
       [](const Workspace& w) {
         return std::vector<std::string>{"convert-areacodes", "--data", w.data};
       },
       true, 2, [](const Workspace& w) { return w.data + "/zone"; }},
      {"convert-segments, read-only data folder",
       [](const Workspace& w) {
         return std::vector<std::string>{"convert-segments", "--data", w.data};
       },
       true, 2, [](const Workspace& w) { return w.data + "/"; }},
      {"build, read-only data folder",
       [](const Workspace& w) {
         return std::vector<std::string>{"build", "--data", w.data};
       },
       true, 2, [](const Workspace& w) { return w.data + "/Korvalind.dat"; }},
      {"encipher through a regular file",
       [](const Workspace& w) {
         return std::vector<std::string>{"encipher", w.data + "/Korvalind.dat", w.blocker + "/x"};
       },
       false, 1, [](const Workspace& w) { return w.blocker + "/x"; }},
      {"decipher through a regular file",
       [](const Workspace& w) {
         return std::vector<std::string>{"decipher", w.output, w.blocker + "/x"};
       },
       false, 1, [](const Workspace& w) { return w.blocker + "/x"; }},
      {"encipher into a read-only folder",
       [](const Workspace& w) {
         return std::vector<std::string>{"encipher", w.output, w.data + "/Korvalind.dat"};
       },
       true, 1, [](const Workspace& w) { return w.data + "/Korvalind.dat"; }},
  };
  bool skipped = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.read_only_data && !testing::CanMakeFolderReadOnly()) {
      skipped = true;
      continue;
    }
    Workspace w;
    const std::vector<std::string> data_before = FolderSnapshot(w.data);
    const std::vector<std::string> top_before = FolderSnapshot(w.dir.path());
    ChildOptions options;
    if (c.read_only_data) options.read_only_folder = w.data;
    ChildResult r = RunChild(c.args(w), options);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, c.exit_code) << r.err;
    EXPECT_NE(r.err.find(c.named(w)), std::string::npos) << r.err;
    EXPECT_EQ(FolderSnapshot(w.data), data_before);
    EXPECT_EQ(FolderSnapshot(w.dir.path()), top_before);
  }
  // Root without the right to make a mount namespace: nothing stops it writing anywhere.
  if (skipped) GTEST_SKIP() << "read-only folders cannot be made here; those cases did not run";
}

}  // namespace
}  // namespace korvalind
