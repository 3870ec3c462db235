// A maintainer run killed (SIGKILL, nothing is cleaned up) at several moments: early while it
// converts, late, and right as it starts writing its outputs. Each file it replaces is then
// either the previous one or the new one, whole, and the enciphered directory loads.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "directory/loader.h"
#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ChildResult;
using testing::ReadFile;
using testing::TempDir;

constexpr size_t kRows = 600000;
const char* const kDataOutputs[] = {"zone", "binary", "output.txt", "offset", "Korvalind.dat"};

// The files of a data folder and its enciphered output, by name ("out" for the output).
using FileSet = std::map<std::string, std::string>;

FileSet Outputs(const std::string& data, const std::string& output) {
  FileSet files;
  for (const char* name : kDataOutputs) files[name] = ReadFile(data + "/" + name);
  files["out"] = ReadFile(output);
  return files;
}

bool HasTemporaryFile(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
  }
  return false;
}

// Kills the child when at() says so, or lets it finish; returns how it ended.
template <typename When>
ChildResult KillWhen(pid_t pid, When at) {
  for (;;) {
    int status = 0;
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      ChildResult result;
      result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return result;
    }
    if (at()) {
      ::kill(pid, SIGKILL);
      return testing::WaitChild(pid);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

TEST(InterruptedRun, KilledMaintainerRunLeavesWholeFilesThatLoad) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string out_folder = dir.File("out");
  const std::string output = out_folder + "/Korvalind.dat";
  std::filesystem::create_directory(data);
  std::filesystem::create_directory(out_folder);
  testing::WriteWorkedData(data);
  ASSERT_EQ(testing::RunChild({"make-directory", "--data", data, "--output", output}).exitCode, 0);
  const FileSet previous = Outputs(data, output);
  testing::WriteGeneratedData(data, kRows);
  const std::map<std::string, std::string> inputs = {
      {"city", ReadFile(data + "/city")},
      {"areacode", ReadFile(data + "/areacode")},
      {"simcard2.sql", ReadFile(data + "/simcard2.sql")}};

  // A whole run, for the new files and its duration.
  const std::string ref = dir.File("ref");
  std::filesystem::create_directory(ref);
  for (const auto& [name, bytes] : inputs) testing::WriteFile(ref + "/" + name, bytes);
  Clock::time_point start = Clock::now();
  ASSERT_EQ(testing::RunChild({"make-directory", "--data", ref, "--output", ref + "/out"}).exitCode,
            0);
  const auto duration = Clock::now() - start;
  const FileSet next = Outputs(ref, ref + "/out");

  const auto zone_replaced = [&] {
    std::error_code error;
    return std::filesystem::file_size(data + "/zone", error) == next.at("zone").size();
  };
  struct Moment {
    std::string what;
    std::function<bool(Clock::duration)> now;  // given the time since the start
  };
  const auto after = [&](double fraction) {
    return [&duration, fraction](Clock::duration d) { return d >= duration * fraction; };
  };
  const std::vector<Moment> moments = {
      {"5% in", after(0.05)},
      {"30% in", after(0.3)},
      {"60% in", after(0.6)},
      {"85% in", after(0.85)},
      {"first output being written", [&](Clock::duration) { return HasTemporaryFile(data); }},
      {"enciphered output being written",
       [&](Clock::duration) { return HasTemporaryFile(out_folder); }},
      {"first output renamed into place", [&](Clock::duration) { return zone_replaced(); }},
  };
  for (const Moment& moment : moments) {
    SCOPED_TRACE(moment.what);
    for (const auto& [name, bytes] : previous) {
      testing::WriteFile(name == "out" ? output : data + "/" + name, bytes);
    }
    for (const auto& [name, bytes] : inputs) testing::WriteFile(data + "/" + name, bytes);
    for (const std::string& folder : {data, out_folder}) {
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().string().find(".tmp-") != std::string::npos) {
          std::filesystem::remove(entry.path());
        }
      }
    }
    TempDir streams;
    pid_t pid = testing::StartChild({"make-directory", "--data", data, "--output", output}, {},
                                    streams.File("out"), streams.File("err"));
    const Clock::time_point started = Clock::now();
    ChildResult r = KillWhen(pid, [&] { return moment.now(Clock::now() - started); });
    EXPECT_TRUE(r.signal == SIGKILL || r.exitCode == 0);

    const FileSet now = Outputs(data, output);
    int replaced = 0;
    for (const auto& [name, bytes] : now) {
      bool is_previous = bytes == previous.at(name);
      bool is_next = bytes == next.at(name);
      EXPECT_TRUE(is_previous || is_next) << name << " is neither the old nor the new file";
      replaced += is_next && !is_previous;
    }
    DirectoryImage image;
    Status loaded = LoadDirectory(output, &image);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    std::cout << "[ killed  ] " << moment.what << ": " << (r.signal != 0 ? "killed" : "finished")
              << ", " << replaced << " of 6 files replaced, " << SegmentCount(image)
              << " segments\n";
  }
}

}  // namespace
}  // namespace korvalind
