// The built `korvalind serve` against clients that frame requests ambiguously, name other
// hosts, read slowly or not at all.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server_process.h"

namespace korvalind {
namespace {

using testing::Fetch;
using testing::HttpConnection;
using testing::HttpResponse;
using testing::ServerProcess;

const std::string kProgram = KORVALIND_BINARY;
const std::string kBundled = KORVALIND_BUNDLED_DIRECTORY;

// The resident memory of a process in KiB, from /proc.
long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  }
  return -1;
}

std::string Post(const std::string& body) {
  return "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(ServeFraming, RefusesAmbiguousRequestsAndKeepsSoundOnes) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1", "--allow-host",
                                  "lookup.example.com", "--expose-paths"});
  ASSERT_TRUE(server.started()) << server.log();
  const std::string smuggled = "GET /v1/info HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  auto with_coding = [&](const std::string& coding) {
    return "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: " + coding +
           "\r\n\r\n" + smuggled;
  };
  auto get_with = [](const std::string& target, const std::string& fields) {
    return "GET " + target + " HTTP/1.1\r\n" + fields + "\r\n";
  };
  struct Case {
    std::string name, request;
    int status;
    bool closed;  // the connection ends after the answer (and nothing else is answered)
    std::string body_contains;
  };
  const std::vector<Case> cases = {
      {"coding xchunked", with_coding("xchunked"), 400, true, "Transfer-Encoding"},
      {"coding empty", with_coding(""), 400, true, ""},
      {"chunked then identity", with_coding("chunked, identity"), 400, true, ""},
      {"chunked twice", with_coding("chunked, chunked"), 400, true, ""},
      {"coding and length",
       "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n"
       "Content-Length: 5\r\n\r\n0\r\n\r\n",
       400, true, ""},
      {"length list", "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 8, 8\r\n\r\n",
       400, true, "Content-Length"},
      {"length twice",
       "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 8\r\nContent-Length: 8\r\n"
       "\r\n1390123\n",
       400, true, ""},
      {"no host", get_with("/healthz", ""), 400, true, "Host"},
      {"two hosts", get_with("/healthz", "Host: 127.0.0.1\r\nHost: 127.0.0.1\r\n"), 400, true, ""},
      {"rebinding host", get_with("/v1/info", "Host: attacker.example:8080\r\n"), 421, true, ""},
      {"absolute target elsewhere",
       get_with("http://attacker.example/v1/info", "Host: 127.0.0.1\r\n"), 421, true, ""},
      {"expectation unknown",
       "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 8\r\n"
       "Expect: 100-continue, foo\r\n\r\n",
       417, true, ""},
      // Sound requests, answered on a connection that stays open.
      {"chunked body",
       "POST /v1/lookup HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: Chunked\r\n\r\n"
       "8\r\n1390123\n\r\n0\r\n\r\n",
       200, false, "北京"},
      {"allowed name with port", get_with("/healthz", "Host: LOOKUP.example.com.:8080\r\n"), 200,
       false, ""},
      {"localhost", get_with("/healthz", "Host: localhost:8080\r\n"), 200, false, ""},
      {"absolute target", get_with("http://127.0.0.1:8080/healthz", "Host: ignored.example\r\n"),
       200, false, "ok"},
      {"empty lines first", "\r\n\r\n" + get_with("/healthz", "Host: 127.0.0.1\r\n"), 200, false,
       "ok"},
      {"full path asked for", get_with("/v1/info", "Host: 127.0.0.1\r\n"), 200, false,
       "\"path\":\"/"},
      {"HTTP/1.0 gets no interim answer",
       "POST /v1/lookup HTTP/1.0\r\nContent-Length: 8\r\nExpect: 100-continue\r\n\r\n1390123\n",
       200, true, "北京"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpConnection connection(server.port());
    ASSERT_TRUE(connection.Send(c.request));
    HttpResponse response;
    ASSERT_TRUE(connection.Read(&response));
    EXPECT_EQ(response.status, c.status);
    EXPECT_NE(response.body.find(c.body_contains), std::string::npos) << response.body;
    EXPECT_EQ(response.Header("x-content-type-options"), "nosniff");
    if (c.closed) {
      EXPECT_TRUE(connection.ClosedByPeer(3000));
    } else {
      ASSERT_TRUE(connection.Send(get_with("/healthz", "Host: 127.0.0.1\r\n")));
      ASSERT_TRUE(connection.Read(&response));
      EXPECT_EQ(response.status, 200);
    }
  }
  // The page carries its policy too.
  EXPECT_FALSE(Fetch(server.port(), "GET", "/").Header("content-security-policy").empty());
}

// 50 connections post a 100,000-line batch (a 9.6 MB answer each) and never read: the service
// holds a small piece of each answer, cuts them once they stop reading, so that the client can
// tell, and gives the memory back.
TEST(ServeMemory, ClientsThatNeverReadHoldLittleAndAreCutVisibly) {
  ServerProcess server(kProgram,
                       {"--directory", kBundled, "--threads", "2", "--read-timeout", "2"});
  ASSERT_TRUE(server.started()) << server.log();
  const std::string batch = Post(std::string(100000, '\n'));
  HttpResponse warm;
  HttpConnection warm_up(server.port());
  ASSERT_TRUE(warm_up.Send(batch) && warm_up.Read(&warm));
  ASSERT_EQ(std::count(warm.body.begin(), warm.body.end(), '\n'), 100000);
  [[maybe_unused]] const long before = ResidentKiB(server.pid());

  std::vector<std::unique_ptr<HttpConnection>> stalled;
  for (int i = 0; i < 50; ++i) {
    stalled.push_back(std::make_unique<HttpConnection>(server.port(), "127.0.0.1", 4096));
    ASSERT_TRUE(stalled.back()->Send(batch));
  }
  // The service cuts them 2 s after they stop taking bytes, and counts each request then (51
  // with the first); until then their answers are held.
  long most = 0;
  for (int waited = 0; waited < 30000; waited += 50) {
    most = std::max(most, ResidentKiB(server.pid()));
    std::string metrics = Fetch(server.port(), "GET", "/metrics").body;
    if (metrics.find("{endpoint=\"lookup_batch\",code=\"200\"} 51\n") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (auto& connection : stalled) {
    HttpResponse response;
    EXPECT_FALSE(connection->Read(&response, 10000)) << "a cut answer looked whole";
  }
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's quarantine keeps freed memory resident
  EXPECT_LT(most - before, 40 * 1024) << "before " << before << " KiB, most " << most;
  long after = ResidentKiB(server.pid());
  for (int i = 0; i < 100 && after - before > 8 * 1024; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    after = ResidentKiB(server.pid());
  }
  EXPECT_LT(after - before, 8 * 1024) << "before " << before << " KiB, after " << after;
#endif
}

// A reader far slower than the answer needs for the read timeout still gets all of it.
TEST(ServeMemory, ASlowReaderGetsTheWholeAnswer) {
  ServerProcess server(kProgram,
                       {"--directory", kBundled, "--threads", "1", "--read-timeout", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "1390123\n";
  HttpConnection slow(server.port(), "127.0.0.1", 16384);
  slow.Pace(16384, 5);  // about 3 MB/s: some 4 s for 12 MB
  ASSERT_TRUE(slow.Send(Post(lines)));
  HttpResponse response;
  ASSERT_TRUE(slow.Read(&response, 60000));
  EXPECT_EQ(std::count(response.body.begin(), response.body.end(), '\n'), 100000);
  EXPECT_TRUE(response.body.ends_with("\"postCode\":\"100000\"}\n"));
}

}  // namespace
}  // namespace korvalind
