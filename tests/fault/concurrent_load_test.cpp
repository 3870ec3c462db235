// Several processes loading the same directory at the same moment, started together from a gate:
// all answer alike, and nothing is written beside the program (no temporary plain copy).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::FolderSnapshot;
using testing::TempDir;

constexpr int kProcesses = 6;
constexpr int kRounds = 5;

TEST(ConcurrentLoad, ProcessesStartedTogetherAllAnswer) {
  TempDir dir;
  const std::string program = dir.File("korvalind");
  testing::CopyFile(testing::ProgramPath(), program);
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  testing::CopyFile(testing::BundledDirectoryPath(), dir.File("Korvalind.dat"));
  // The directory beside the program is the one to load.
  ::unsetenv("KORVALIND_DIRECTORY");
  const std::vector<std::string> before = FolderSnapshot(dir.path());
  const std::string directory_bytes = testing::ReadFile(dir.File("Korvalind.dat"));
  const std::vector<std::vector<std::string>> commands = {
      {"query", "--format", "tsv", "1390123", "1300000", "1350000"}, {"info"}};
  std::vector<std::string> expected;
  for (const auto& args : commands) {
    ChildOptions options;
    options.program = program;
    ChildResult alone = testing::RunChild(args, options);
    ASSERT_EQ(alone.exitCode, 0) << alone.err;
    expected.push_back(alone.out);
  }
  EXPECT_NE(expected[0].find("\tok\t"), std::string::npos);

  TempDir streams;
  for (int round = 0; round < kRounds; ++round) {
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
      ChildOptions options;
      options.program = program;
      options.cwd = streams.path();
      options.start_gate = gate[0];
      children.push_back(testing::StartChild(commands[i % 2], options,
                                             streams.File("out" + std::to_string(i)),
                                             streams.File("err" + std::to_string(i))));
    }
    // One byte each, written at once: every child is released at the same moment.
    ASSERT_EQ(::write(gate[1], std::string(kProcesses, 'g').data(), kProcesses), kProcesses);
    for (int i = 0; i < kProcesses; ++i) {
      ChildResult r = testing::WaitChild(children[i]);
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.exitCode, 0) << testing::ReadFile(streams.File("err" + std::to_string(i)));
      EXPECT_EQ(testing::ReadFile(streams.File("out" + std::to_string(i))), expected[i % 2]);
    }
    ::close(gate[0]);
    ::close(gate[1]);
  }
  EXPECT_EQ(FolderSnapshot(dir.path()), before);
  EXPECT_TRUE(testing::ReadFile(dir.File("Korvalind.dat")) == directory_bytes);
}

}  // namespace
}  // namespace korvalind
