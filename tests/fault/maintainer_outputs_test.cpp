// The maintainer commands' outputs under faults that the earlier runs did not reach: a target
// that cannot be replaced, a power cut (what reaches the disk before a rename), a signal, entries
// the directory cannot hold, and a program that cannot find its own folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ChildResult;
using testing::FolderSnapshot;
using testing::ProgramPath;
using testing::RunChild;
using testing::TempDir;

// LeakSanitizer cannot run under ptrace; the leak checks of every other run stand in.
const std::vector<std::pair<std::string, std::string>> kNoLeakCheck = {
    {"ASAN_OPTIONS", "detect_leaks=0"}};

bool HasTemporaryFile(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos ||
        entry.path().filename().string().find(".korvalind.") == 0) {
      return true;
    }
  }
  return false;
}

// A data folder after one complete run, given a changed dump so that any replaced file shows.
struct Workspace {
  TempDir dir;
  std::string data = dir.File("data");
  std::string output = dir.File("out.dat");

  explicit Workspace(size_t rows = 50) {
    std::filesystem::create_directory(data);
    testing::WriteWorkedData(data);
    ChildResult made = RunChild({"make-directory", "--data", data, "--output", output});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    testing::WriteGeneratedData(data, rows);
  }
};

TEST(MaintainerOutputs, TargetThatCannotBeReplacedReplacesNothing) {
  const struct {
    const char* what;
    std::vector<std::string> args;  // after the command, with DATA and OUT to fill in
    const char* folder;             // made a folder before the run, inside the data folder
  } cases[] = {
      {"make-directory --output a folder",
       {"make-directory", "--data", "DATA", "--output", "OUT"},
       nullptr},
      {"convert-segments, offset a folder", {"convert-segments", "--data", "DATA"}, "offset"},
      {"make-directory, Korvalind.dat a folder",
       {"make-directory", "--data", "DATA", "--output", "OUT"},
       "Korvalind.dat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Workspace space;
    const std::string out_folder = space.dir.File("outdir");
    std::filesystem::create_directory(out_folder);
    if (c.folder != nullptr) {
      std::filesystem::remove(space.data + "/" + c.folder);
      std::filesystem::create_directory(space.data + "/" + c.folder);
    }
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg == "DATA") arg = space.data;
      if (arg == "OUT") arg = c.folder == nullptr ? out_folder : space.output;
    }
    const std::vector<std::string> before = FolderSnapshot(space.data);
    const std::string output_before = testing::ReadFile(space.output);
    ChildResult r = RunChild(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
    EXPECT_EQ(FolderSnapshot(space.data), before);
    EXPECT_EQ(testing::ReadFile(space.output), output_before);
    EXPECT_FALSE(HasTemporaryFile(space.data));
  }
}

// Each output is flushed to the disk before its rename, and its folder after: traced with
// strace, counting the calls.
TEST(MaintainerOutputs, OutputsReachTheDiskBeforeTheyReplaceAnything) {
  Workspace space;
  const std::string log = space.dir.File("trace");
  testing::ProcessResult r = testing::RunProcess(
      "/usr/bin/strace",
      {"-f", "-qq", "-o", log, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2",
       ProgramPath(), "make-directory", "--data", space.data, "--output", space.output},
      "", "", kNoLeakCheck);
  if (r.exitCode != 0 && !testing::FileExists(log)) {
    GTEST_SKIP() << "strace cannot trace here: " << r.err;
  }
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string trace = testing::ReadFile(log);
  int syncs = 0, renames = 0, syncs_before_first_rename = -1;
  size_t start = 0;
  for (size_t end; (end = trace.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = trace.substr(start, end - start);
    if (line.find("sync(") != std::string::npos) ++syncs;
    if (line.find("rename") != std::string::npos) {
      if (renames++ == 0) syncs_before_first_rename = syncs;
    }
  }
  EXPECT_EQ(renames, 6) << trace;
  EXPECT_GE(syncs_before_first_rename, 6) << trace;  // every output, before any rename
  EXPECT_GE(syncs, 6 + 2) << trace;                  // and the two folders after
}

// SIGINT, SIGTERM or SIGHUP while the outputs are written: the temporary files go and the
// process dies by the signal. And a target name as long as the folder allows can be written,
// since the temporary name does not grow with it.
TEST(MaintainerOutputs, SignalledRunLeavesNoTemporaryFile) {
  Workspace space(150000);
  const std::string longest = space.dir.File(std::string(255, 'k'));
  ChildResult made = RunChild({"make-directory", "--data", space.data, "--output", longest});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  int judged = 0;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    TempDir streams;
    pid_t pid =
        testing::StartChild({"make-directory", "--data", space.data, "--output", space.output}, {},
                            streams.File("out"), streams.File("err"));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < end) {
      writing = HasTemporaryFile(space.data) || HasTemporaryFile(space.dir.path());
      if (!writing) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, signal_number);
    ChildResult r = testing::WaitChild(pid);
    if (!writing || r.signal == 0) continue;  // ended before the signal met a temporary file
    ++judged;
    EXPECT_EQ(r.signal, signal_number);
    EXPECT_FALSE(HasTemporaryFile(space.data));
    EXPECT_FALSE(HasTemporaryFile(space.dir.path()));
  }
  EXPECT_GT(judged, 0) << "no run was caught while writing its outputs";
}

// An entry longer than the 63 bytes a reader sees is refused, as is "|"; a NUL in a refused name
// is shown, not allowed to cut the message. Nothing is written either way.
TEST(MaintainerOutputs, EntriesTheDirectoryCannotHoldAreRefused) {
  const std::string long_city(60, 'x');  // zone line: 4 + 1 + 60 + 1 + 6 + 1 + 4 = 77 bytes
  const struct {
    const char* what;
    std::string city_file;
    std::string area_codes;
    std::string message;
  } cases[] = {
      {"zone of 77 bytes", "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n",
       "'\xba\xd3\xb1\xb1','" + long_city + "','050000','0311')\r\n",
       "the zone \"河北," + long_city + ":050000,0311\" is 77 bytes long, more than 63"},
      {"place name of 64 bytes", "\xb5\xd8\xc3\xfb\r\n" + std::string(64, 'p') + "\r\n",
       "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','050000','0311')\r\n",
       "the place name \"" + std::string(64, 'p') + "\" is 64 bytes long"},
      {"NUL and bar in a name", std::string("\xb5\xd8\xc3\xfb\r\nA\0|B\r\n", 12),
       "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','050000','0311')\r\n",
       "the place name \"A\\x00|B\" holds a zero byte"},
      // Before, built and then read as the zone of 河北 "石家" with the postal code "庄".
      {"colon in a zone's city", "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n",
       "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2:\xd7\xaf','050000','0311')\r\n",
       "the zone \"河北,石家:庄:050000,0311\" is not province,city:postcode,areacode"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string data = dir.File("data");
    std::filesystem::create_directory(data);
    testing::WriteWorkedData(data);
    testing::WriteFile(data + "/city", c.city_file);
    testing::WriteFile(data + "/areacode", c.area_codes);
    const std::vector<std::string> before = FolderSnapshot(data);
    ChildResult r = RunChild({"make-directory", "--data", data, "--output", dir.File("out")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(FolderSnapshot(data), before);
    EXPECT_FALSE(testing::FileExists(dir.File("out")));
  }
}

// With /proc hidden (a private mount namespace, root only) the program cannot find its own
// folder: that must not mean the current one.
TEST(MaintainerOutputs, UnknownProgramFolderIsNotTheCurrentFolder) {
  TempDir dir;
  testing::CopyFile(testing::BundledDirectoryPath(), dir.File("Korvalind.dat"));
  std::filesystem::create_directory(dir.File("DATA"));
  testing::WriteWorkedData(dir.File("DATA"));
  const std::vector<std::string> before = FolderSnapshot(dir.File("DATA"));
  auto hidden_proc = [&](const std::string& command) {
    return testing::RunProcess(
        "/usr/bin/unshare",
        {"-m", "/bin/sh", "-c",
         "mount -t tmpfs none /proc || exit 99; cd \"$1\" && exec \"$0\" " + command, ProgramPath(),
         dir.path()});
  };
  testing::ProcessResult info = hidden_proc("info");
  if (info.exitCode == 99 || info.err.find("unshare") != std::string::npos) {
    GTEST_SKIP() << "no private mount namespace here: " << info.err;
  }
  if (info.err.find("Sanitizer") != std::string::npos) {
    // The sanitizers read their options from /proc and fail at exit without it.
    GTEST_SKIP() << "a sanitized build cannot run without /proc";
  }
  EXPECT_NE(info.out.substr(0, 14), "Korvalind.dat\n") << info.out;
  testing::ProcessResult zones = hidden_proc("convert-areacodes");
  EXPECT_EQ(zones.exitCode, 2);
  EXPECT_NE(zones.err.find("give --data DIR"), std::string::npos) << zones.err;
  EXPECT_EQ(FolderSnapshot(dir.File("DATA")), before);
}

}  // namespace
}  // namespace korvalind
