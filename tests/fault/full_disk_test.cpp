// A full disk: writes to /dev/full (ENOSPC on every write) and a file-size limit (RLIMIT_FSIZE,
// EFBIG past the limit) that stops a run partway through its outputs. Every command reports the
// failure in its exit status, and a maintainer run leaves the previous files as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "directory/loader.h"
#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::BundledDirectoryPath;
using testing::ChildOptions;
using testing::ChildResult;
using testing::FolderSnapshot;
using testing::ReadFile;
using testing::RunChild;
using testing::TempDir;

TEST(FullDisk, StandardOutputOnAFullDevice) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string input;
  };
  std::string many_lines;
  for (int i = 0; i < 20000; ++i) many_lines += "1390123\n";
  const std::vector<Case> cases = {
      {"one answer", {"query", "--directory", BundledDirectoryPath(), "1390123"}, ""},
      {"tsv", {"query", "--directory", BundledDirectoryPath(), "--format", "tsv", "1300000"}, ""},
      {"filter",
       {"query", "--directory", BundledDirectoryPath(), "--format", "json", "-"},
       many_lines},
      {"info", {"info", "--directory", BundledDirectoryPath()}, ""},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::WriteFile(dir.File("in"), c.input);
    ChildOptions options;
    options.stdin_path = dir.File("in");
    options.stdout_path = "/dev/full";
    ChildResult r = RunChild(c.args, options);
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.exitCode, 0) << "a lost answer reported as success";
    EXPECT_NE(r.err, "") << "nothing said about the lost answer";
  }
}

TEST(FullDisk, CipherTargetOnAFullDevice) {
  for (const char* command : {"encipher", "decipher"}) {
    SCOPED_TRACE(command);
    ChildResult r = RunChild({command, BundledDirectoryPath(), "/dev/full"});
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
  }
}

// A disk that fills up while a group of outputs is written: the message names the file whose
// write filled it (before, export reported the small file flushed first: city).
TEST(FullDisk, FilledDiskIsReportedAgainstTheFileThatFilledIt) {
  if (::geteuid() != 0 || !testing::CanMakeFolderReadOnly()) {
    GTEST_SKIP() << "needs root and a private mount namespace";
  }
  TempDir dir;
  ChildOptions options;
  options.small_disk_folder = dir.path();
  options.small_disk_bytes = 2 << 20;  // simcard2.sql of the bundled directory is 14 MiB
  ChildResult r =
      RunChild({"export", "--directory", BundledDirectoryPath(), "--data", dir.path()}, options);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "korvalind: cannot write \"" + dir.File("simcard2.sql") +
                       "\": No space left on device\n");
}

// A size limit below the largest output: the run fails, and every file it would have replaced
// is still the one the previous run wrote. Limits are chosen to stop the run at each output.
TEST(FullDisk, MaintainerRunStoppedBySizeLimitKeepsPreviousFiles) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string output = dir.File("Korvalind.dat");
  std::filesystem::create_directory(data);
  testing::WriteWorkedData(data);
  ChildResult first = RunChild({"make-directory", "--data", data, "--output", output});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  testing::WriteGeneratedData(data, 20000);
  // Sizes of this run's outputs, from a run without a limit in a copy of the folder.
  const std::string probe = dir.File("probe");
  std::filesystem::copy(data, probe);
  ASSERT_EQ(RunChild({"make-directory", "--data", probe, "--output", probe + "/out"}).exitCode, 0);
  const std::vector<std::string> before = FolderSnapshot(data);
  const std::string output_before = ReadFile(output);

  for (const char* limited : {"zone", "binary", "Korvalind.dat", "output.txt"}) {
    SCOPED_TRACE(limited);
    ChildOptions options;
    options.file_size_limit = std::filesystem::file_size(probe + "/" + limited) - 1;
    ChildResult r = RunChild({"make-directory", "--data", data, "--output", output}, options);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(FolderSnapshot(data), before);
    EXPECT_EQ(ReadFile(output), output_before);
    DirectoryImage image;
    EXPECT_TRUE(LoadDirectory(output, &image).ok());
  }
}

}  // namespace
}  // namespace korvalind
