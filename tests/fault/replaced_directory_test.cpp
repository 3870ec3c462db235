// The directory file replaced while the program is in use: between two loads (the next load
// takes the new file, or reports it damaged), under a running filter (it keeps the image it
// loaded), and rewritten in place again and again while processes load it (never a crash).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::BundledDirectoryPath;
using testing::ChildOptions;
using testing::ChildResult;
using testing::ReadFile;
using testing::RunChild;
using testing::TempDir;
using testing::WriteFile;

const std::string kBeijing = "\xe5\x8c\x97\xe4\xba\xac";                   // 北京 (UTF-8)
const std::string kShijiazhuang = "\xe7\x9f\xb3\xe5\xae\xb6\xe5\xba\x84";  // 石家庄 (UTF-8)

// A second, small directory made from the worked dumps.
std::string SmallDirectory(const TempDir& dir) {
  const std::string data = dir.File("small");
  std::filesystem::create_directory(data);
  testing::WriteWorkedData(data);
  const std::string output = dir.File("small.dat");
  ChildResult made = RunChild({"make-directory", "--data", data, "--output", output});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return ReadFile(output);
}

// Replaces path with bytes the way an installer does: a new file renamed over the old one.
void RenameOver(const std::string& path, const std::string& bytes) {
  WriteFile(path + ".new", bytes);
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

TEST(ReplacedDirectory, NextLoadTakesTheNewFileOrReportsIt) {
  TempDir dir;
  const std::string path = dir.File("Korvalind.dat");
  const std::string bundled = ReadFile(BundledDirectoryPath());
  const std::string small = SmallDirectory(dir);
  std::string flipped = bundled;
  flipped[flipped.size() - 3] ^= 0x20;  // inside the block that holds the trailer
  struct Case {
    const char* what;
    std::function<void()> replace;
    int exit_code;
    std::string found;  // in standard output (exit 0) or standard error
  };
  const std::vector<Case> cases = {
      {"the bundled directory", [&] { RenameOver(path, bundled); }, 0, kBeijing},
      {"another directory, renamed over", [&] { RenameOver(path, small); }, 0, kShijiazhuang},
      {"the bundled one, rewritten in place", [&] { WriteFile(path, bundled); }, 0, kBeijing},
      {"cut short", [&] { RenameOver(path, bundled.substr(0, 1 << 20)); }, 2, "damaged"},
      {"trailer block changed", [&] { RenameOver(path, flipped); }, 2, "damaged"},
      {"length not whole blocks", [&] { RenameOver(path, bundled.substr(0, 1001)); }, 2, "damaged"},
      {"empty", [&] { RenameOver(path, ""); }, 2, "damaged"},
      {"removed", [&] { std::filesystem::remove(path); }, 2, "cannot be read"},
      {"a folder", [&] { std::filesystem::create_directory(path); }, 2, "cannot be read"},
      {"the small one again",
       [&] {
         std::filesystem::remove(path);
         RenameOver(path, small);
       },
       0, kShijiazhuang},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.replace();
    ChildResult r = RunChild({"query", "--directory", path, "--format", "tsv", "1390123"});
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, c.exit_code) << r.err;
    const std::string& where = c.exit_code == 0 ? r.out : r.err;
    EXPECT_NE(where.find(c.found), std::string::npos) << where;
    if (c.exit_code != 0) {
      EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    }
  }
}

// Sends one line to a running filter and reads its answer line.
std::string Ask(int to, int from, const std::string& line) {
  std::string request = line + "\n";
  if (::write(to, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
    return "(write failed)";
  }
  std::string answer;
  char c;
  while (::read(from, &c, 1) == 1 && c != '\n') answer += c;
  return answer;
}

TEST(ReplacedDirectory, RunningFilterKeepsWhatItLoaded) {
  TempDir dir;
  const std::string path = dir.File("Korvalind.dat");
  WriteFile(path, ReadFile(BundledDirectoryPath()));
  const std::string small = SmallDirectory(dir);
  const std::string in = dir.File("in.fifo"), out = dir.File("out.fifo");
  ASSERT_EQ(::mkfifo(in.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
  ChildOptions options;
  options.stdin_path = in;
  pid_t pid = testing::StartChild({"query", "--directory", path, "--format", "tsv", "-"}, options,
                                  out, dir.File("err"));
  // The child opens its input, then its output: open them in the same order.
  int to = ::open(in.c_str(), O_WRONLY);
  int from = ::open(out.c_str(), O_RDONLY);
  ASSERT_GE(to, 0);
  ASSERT_GE(from, 0);

  const std::string first = Ask(to, from, "1390123");
  EXPECT_NE(first.find(kBeijing), std::string::npos) << first;
  RenameOver(path, small);
  EXPECT_EQ(Ask(to, from, "1390123"), first);
  WriteFile(path, "garbage in place of the directory");
  EXPECT_EQ(Ask(to, from, "1390123"), first);
  std::filesystem::remove(path);
  EXPECT_EQ(Ask(to, from, "1390123"), first);
  ::close(to);
  ChildResult r = testing::WaitChild(pid);
  ::close(from);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 0) << ReadFile(dir.File("err"));
}

// A writer process rewrites the file in place, alternating two directories, while loads run.
// A load may see a file half written: it then reports it damaged. It never crashes, and what it
// accepts is one of the two directories.
TEST(ReplacedDirectory, LoadsWhileTheFileIsRewrittenInPlace) {
  TempDir dir;
  const std::string path = dir.File("Korvalind.dat");
  const std::string contents[2] = {ReadFile(BundledDirectoryPath()), SmallDirectory(dir)};
  WriteFile(path, contents[0]);
  std::string counts[2];
  for (int i = 0; i < 2; ++i) {
    WriteFile(dir.File("probe"), contents[i]);
    counts[i] = RunChild({"info", "--directory", dir.File("probe")}).out;
    counts[i] = counts[i].substr(counts[i].find('\n') + 1);
  }

  pid_t writer = ::fork();
  if (writer == 0) {
    for (unsigned n = 0;; ++n) {
      const std::string& bytes = contents[n % 2];
      int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
      for (size_t at = 0; fd >= 0 && at < bytes.size(); at += 4096) {
        if (::write(fd, bytes.data() + at, std::min<size_t>(4096, bytes.size() - at)) < 0) break;
      }
      if (fd >= 0) ::close(fd);
      ::usleep(3000);  // a moment with a whole file, so that some loads find one
    }
  }
  ASSERT_GT(writer, 0);
  int accepted = 0, refused = 0;
  for (int i = 0; i < 40; ++i) {
    ChildResult r = RunChild({"info", "--directory", path});
    EXPECT_EQ(r.signal, 0);
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 2) << r.err;
    if (r.exitCode == 0) {
      std::string count = r.out.substr(r.out.find('\n') + 1);
      EXPECT_TRUE(count == counts[0] || count == counts[1]) << count;
      ++accepted;
    } else {
      EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
      ++refused;
    }
  }
  ::kill(writer, SIGKILL);
  testing::WaitChild(writer);
  std::cout << "[ loads   ] " << accepted << " accepted, " << refused << " refused as damaged\n";
}

}  // namespace
}  // namespace korvalind
