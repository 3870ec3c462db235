// Reloads and shutdown of the built `korvalind serve`, under requests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "server_process.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::Fetch;
using testing::HttpConnection;
using testing::HttpResponse;
using testing::ServerProcess;
using testing::TempDir;

const std::string kProgram = KORVALIND_BINARY;
const std::string kBundled = KORVALIND_BUNDLED_DIRECTORY;

// A directory holding one segment, 1390123 in 河北 石家庄.
std::string SmallDirectory() {
  TempDir data;
  testing::WriteFile(data.File("city"),
                     "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n\xca\xaf\xbc\xd2\xd7\xaf\r\n");
  testing::WriteFile(data.File("areacode"),
                     "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','050000','0311')\r\n");
  testing::WriteFile(data.File("simcard2.sql"),
                     "INSERT INTO `simcard` VALUES\r\n"
                     "(7,'1390123','\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','1','0311');\r\n");
  auto made = testing::RunProcess(
      kProgram, {"make-directory", "--data", data.path(), "--output", data.File("out.dat")});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return testing::ReadFile(data.File("out.dat"));
}

void ReplaceFile(const std::string& path, const std::string& bytes) {
  testing::WriteFile(path + ".new", bytes);
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

// Asks for 1390123 over and over on keep-alive connections until stopped, counting answers by
// the province they name and every request that failed.
class LoadLoop {
 public:
  explicit LoadLoop(int port) : thread_([this, port] { Run(port); }) {}
  ~LoadLoop() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int beijing() const { return beijing_; }
  int hebei() const { return hebei_; }
  int failed() const { return failed_; }

 private:
  void Run(int port) {
    while (!stop_) {
      HttpConnection connection(port);
      for (int i = 0; i < 200 && !stop_; ++i) {
        HttpResponse response;
        if (!connection.Send("GET /v1/lookup/1390123 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") ||
            !connection.Read(&response) || response.status != 200) {
          ++failed_;
          break;
        }
        if (response.body.find("北京") != std::string::npos) ++beijing_;
        if (response.body.find("河北") != std::string::npos) ++hebei_;
      }
    }
  }

  std::atomic<bool> stop_{false};
  std::atomic<int> beijing_{0}, hebei_{0}, failed_{0};
  std::thread thread_;
};

bool WaitFor(auto condition, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

std::string MetricValue(int port, const std::string& name) {
  std::string metrics = Fetch(port, "GET", "/metrics").body;
  size_t at = metrics.find("\n" + name + " ");
  if (at == std::string::npos) return "";
  at += name.size() + 2;
  return metrics.substr(at, metrics.find('\n', at) - at);
}

TEST(ServeReload, ReplacedFileSighupAndDamagedFile) {
  TempDir dir;
  const std::string path = dir.File("Korvalind.dat");
  const std::string bundled = testing::ReadFile(kBundled);
  const std::string small = SmallDirectory();
  testing::WriteFile(path, bundled);
  ServerProcess server(kProgram, {"--directory", path, "--threads", "2"});
  ASSERT_TRUE(server.started()) << server.log();
  LoadLoop load(server.port());
  ASSERT_TRUE(WaitFor([&] { return load.beijing() > 0; }, 5000));

  // A file renamed into place is picked up without a signal.
  ReplaceFile(path, small);
  EXPECT_TRUE(WaitFor([&] { return load.hebei() > 0; }, 5000)) << server.log();
  EXPECT_TRUE(server.WaitForLog("file replaced", 2000)) << server.log();

  // A damaged file keeps the directory in use; the failure is logged and counted.
  int hebei_before = load.hebei();
  ReplaceFile(path, bundled.substr(0, bundled.size() - 5));
  EXPECT_TRUE(server.WaitForLog("failed, still serving the previous directory", 5000))
      << server.log();
  EXPECT_EQ(MetricValue(server.port(), "korvalind_reload_failures_total"), "1");
  EXPECT_TRUE(WaitFor([&] { return load.hebei() > hebei_before + 20; }, 5000));
  // So is one whose trailer is whole but whose tables are garbage (the first 64 bytes zeroed):
  // before, it was swapped in and answered provinces holding control and invalid bytes.
  std::string zeroed = bundled;
  zeroed.replace(0, 64, 64, '\0');
  hebei_before = load.hebei();
  ReplaceFile(path, zeroed);
  EXPECT_TRUE(WaitFor(
      [&] { return MetricValue(server.port(), "korvalind_reload_failures_total") == "2"; }, 5000))
      << server.log();
  EXPECT_TRUE(server.WaitForLog("is damaged: place entry 1 at offset 0", 2000)) << server.log();
  EXPECT_TRUE(WaitFor([&] { return load.hebei() > hebei_before + 20; }, 5000));

  // SIGHUP loads whatever is there now (written in place, so inotify may also have seen it).
  testing::WriteFile(path, bundled);
  int beijing_before = load.beijing();
  server.Signal(SIGHUP);
  EXPECT_TRUE(server.WaitForLog("(SIGHUP)", 5000)) << server.log();
  EXPECT_TRUE(WaitFor([&] { return load.beijing() > beijing_before; }, 5000));
  EXPECT_EQ(
      Fetch(server.port(), "GET", "/v1/info").body.find("\"segments\":321047") == std::string::npos,
      false);

  load.Stop();
  EXPECT_EQ(load.failed(), 0);
  EXPECT_GT(load.beijing() + load.hebei(), 100);
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(10000), 0) << server.log();
}

// The answer for 1390123 names 北京 (the bundled directory) or 河北 (the small one).
std::string Province(int port) {
  std::string body = Fetch(port, "GET", "/v1/lookup/1390123").body;
  return body.find("北京") != std::string::npos   ? "北京"
         : body.find("河北") != std::string::npos ? "河北"
                                                  : body;
}

// Replacements that do not rename a file of the served name into the served folder: the folder
// replaced by another, and the ConfigMap layout, whose "..data" link is swapped.
TEST(ServeReload, SeesReplacedFoldersAndSwappedLinks) {
  const std::string bundled = testing::ReadFile(kBundled);
  const std::string small = SmallDirectory();
  auto link = [](const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
  };
  struct Case {
    std::string name;
    std::function<std::string(const std::string& dir)> set_up;  // gives the path to serve
    std::function<void(const std::string& dir, const std::string& bytes)> replace;
  };
  const std::vector<Case> cases = {
      {"replaced folder",
       [&](const std::string& dir) {
         EXPECT_EQ(mkdir((dir + "/live").c_str(), 0755), 0);
         testing::WriteFile(dir + "/live/Korvalind.dat", bundled);
         return dir + "/live/Korvalind.dat";
       },
       [](const std::string& dir, const std::string& bytes) {
         std::rename((dir + "/live").c_str(),
                     (dir + "/live." + std::to_string(bytes.size())).c_str());
         EXPECT_EQ(mkdir((dir + "/live").c_str(), 0755), 0);
         ReplaceFile(dir + "/live/Korvalind.dat", bytes);
       }},
      {"ConfigMap",
       [&](const std::string& dir) {
         EXPECT_EQ(mkdir((dir + "/..v1").c_str(), 0755), 0);
         testing::WriteFile(dir + "/..v1/Korvalind.dat", bundled);
         link("..v1", dir + "/..data");
         link("..data/Korvalind.dat", dir + "/Korvalind.dat");
         return dir + "/Korvalind.dat";
       },
       [&](const std::string& dir, const std::string& bytes) {
         std::string version = dir + "/..v" + std::to_string(bytes.size());
         EXPECT_EQ(mkdir(version.c_str(), 0755), 0);
         testing::WriteFile(version + "/Korvalind.dat", bytes);
         link(version, dir + "/..data_tmp");
         EXPECT_EQ(std::rename((dir + "/..data_tmp").c_str(), (dir + "/..data").c_str()), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ServerProcess server(kProgram, {"--directory", c.set_up(dir.path()), "--threads", "1"});
    ASSERT_TRUE(server.started()) << server.log();
    ASSERT_EQ(Province(server.port()), "北京");
    c.replace(dir.path(), small);
    EXPECT_TRUE(WaitFor([&] { return Province(server.port()) == "河北"; }, 8000)) << server.log();
    // And again: the new folder, or the new link, is watched in turn.
    c.replace(dir.path(), bundled);
    EXPECT_TRUE(WaitFor([&] { return Province(server.port()) == "北京"; }, 8000)) << server.log();
  }
}

TEST(ServeShutdown, SigtermFinishesRunningRequestsThenExitsZero) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "2"});
  ASSERT_TRUE(server.started()) << server.log();
  // One request half sent, one connection idle between requests.
  HttpConnection running(server.port());
  ASSERT_TRUE(
      running.Send("POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 8\r\n\r\n139"));
  HttpConnection idle(server.port());
  ASSERT_TRUE(idle.Send("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  HttpResponse first;
  ASSERT_TRUE(idle.Read(&first));
  // Both accepted, and the connection that asks.
  ASSERT_TRUE(WaitFor(
      [&] { return MetricValue(server.port(), "korvalind_open_connections") == "3"; }, 5000));

  server.Signal(SIGTERM);
  ASSERT_TRUE(server.WaitForLog("SIGTERM", 5000)) << server.log();
  EXPECT_TRUE(idle.ClosedByPeer(3000));
  // No new connections.
  EXPECT_TRUE(WaitFor([&] { return !HttpConnection(server.port()).connected(); }, 3000));
  // The running request is answered, and the connection closed after it.
  ASSERT_TRUE(running.Send("0123\n"));
  HttpResponse answer;
  ASSERT_TRUE(running.Read(&answer));
  EXPECT_EQ(answer.status, 200);
  EXPECT_NE(answer.body.find("北京"), std::string::npos);
  EXPECT_EQ(answer.Header("connection"), "close");
  EXPECT_EQ(server.Wait(5000), 0) << server.log();
}

TEST(ServeShutdown, SigintCutsAStalledRequestAfterTheGracePeriod) {
  ServerProcess server(kProgram,
                       {"--directory", kBundled, "--threads", "1", "--shutdown-grace", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  HttpConnection stalled(server.port());
  ASSERT_TRUE(stalled.Send("GET /healthz HTTP/1.1\r\nHost"));
  // The stalled connection accepted, and the connection that asks.
  ASSERT_TRUE(WaitFor(
      [&] { return MetricValue(server.port(), "korvalind_open_connections") == "2"; }, 5000));
  auto started = std::chrono::steady_clock::now();
  server.Signal(SIGINT);
  EXPECT_EQ(server.Wait(9000), 0) << server.log();
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::seconds(1));  // the grace it was given, not an abrupt stop
}

TEST(ServeShutdown, ASecondSigtermEndsTheGracePeriod) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  HttpConnection stalled(server.port());
  ASSERT_TRUE(stalled.Send("GET /healthz HTTP/1.1\r\nHost"));
  server.Signal(SIGTERM);
  ASSERT_TRUE(server.WaitForLog("SIGTERM", 5000)) << server.log();
  server.Signal(SIGTERM);
  EXPECT_NE(server.Wait(3000), -2) << "still running within the 5 s grace";
}

}  // namespace
}  // namespace korvalind
