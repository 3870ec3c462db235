// The built `korvalind serve` through real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/json_string.h"
#include "server_process.h"
#include "support/number_texts.h"
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

constexpr char kBeijing[] =
    "{\"text\":\"1390123\",\"status\":\"ok\",\"province\":\"北京\",\"city\":\"北京\","
    "\"simType\":\"移动全球通\",\"carrier\":\"中国移动\",\"carrierId\":\"china-mobile\","
    "\"service\":\"mobile\",\"areaCode\":\"010\",\"postCode\":\"100000\"}";
constexpr char kShijiazhuang[] =
    "{\"text\":\"1390123\",\"status\":\"ok\",\"province\":\"河北\",\"city\":\"石家庄\","
    "\"simType\":\"移动全球通\",\"carrier\":\"中国移动\",\"carrierId\":\"china-mobile\","
    "\"service\":\"mobile\",\"areaCode\":\"0311\",\"postCode\":\"050000\"}";

// A directory holding one segment, 1390123 in 河北 石家庄, written to path.
void MakeSmallDirectory(const std::string& path) {
  TempDir data;
  testing::WriteFile(data.File("city"),
                     "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n\xca\xaf\xbc\xd2\xd7\xaf\r\n");
  testing::WriteFile(data.File("areacode"),
                     "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','050000','0311')\r\n");
  testing::WriteFile(data.File("simcard2.sql"),
                     "INSERT INTO `simcard` VALUES\r\n"
                     "(7,'1390123','\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','1','0311');\r\n");
  auto made =
      testing::RunProcess(kProgram, {"make-directory", "--data", data.path(), "--output", path});
  ASSERT_EQ(made.exitCode, 0) << made.err;
}

bool ValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

TEST(Serve, EndpointsAndStatuses) {
  TempDir dir;
  MakeSmallDirectory(dir.File("small.dat"));
  ServerProcess bundled(kProgram, {"--directory", kBundled, "--threads", "2"});
  ServerProcess small(kProgram, {"--directory", dir.File("small.dat"), "--threads", "1"});
  ASSERT_TRUE(bundled.started()) << bundled.log();
  ASSERT_TRUE(small.started()) << small.log();
  struct Case {
    int port;
    std::string method, target;
    int status;
    std::string body_contains;
  };
  const std::vector<Case> cases = {
      {bundled.port(), "GET", "/v1/lookup/1390123", 200, std::string(kBeijing) + "\n"},
      {bundled.port(), "GET", "/v1/lookup?number=1390123", 200, kBeijing},
      {bundled.port(), "GET", "/v1/lookup/13901234567", 200, "\"text\":\"13901234567\""},
      {bundled.port(), "GET", "/v1/lookup/1200000", 400, "\"status\":\"invalid\""},
      {bundled.port(), "GET", "/v1/lookup?number=", 400, "\"status\":\"invalid\""},
      {bundled.port(), "GET", "/v1/lookup/%2B86%20139-0123-4567?any_prefix=1", 200,
       "\"text\":\"+86 139-0123-4567\",\"status\":\"ok\",\"province\":\"北京\""},
      {bundled.port(), "GET", "/v1/lookup/%2B86%20139-0123-4567", 400, "\"status\":\"invalid\""},
      {bundled.port(), "GET", "/v1/lookup/%FF%FE%22", 400,
       "\"text\":\"\xef\xbf\xbd\xef\xbf\xbd\\\"\""},
      {small.port(), "GET", "/v1/lookup/1390124", 404, "\"status\":\"not-found\""},
      {bundled.port(), "GET", "/v1/lookup/19912345678", 404,
       "\"status\":\"not-found\",\"province\":\"\",\"city\":\"\",\"simType\":\"\","
       "\"carrier\":\"中国电信\",\"carrierId\":\"china-telecom\",\"service\":\"mobile\""},
      {small.port(), "GET", "/v1/lookup/1390123", 200, kShijiazhuang},
      {bundled.port(), "GET", "/healthz", 200, "{\"status\":\"ok\"}"},
      {bundled.port(), "GET", "/v1/info", 200, "\"segments\":321047"},
      {bundled.port(), "GET", "/v1/info", 200,
       "\"countLine\":\"手机号码段共计:321047 [2002-11-08]\""},
      {small.port(), "GET", "/v1/info", 200, "\"heldPrefixes\":[139]"},
      {bundled.port(), "GET", "/metrics", 200, "# TYPE korvalind_http_requests_total counter"},
      {bundled.port(), "GET", "/v1/lookup", 400, "\"error\":"},
      {bundled.port(), "GET", "/nothing/here", 404, "{\"error\":\"not found\"}"},
      {bundled.port(), "GET", "/assets/none.js", 404, "\"error\""},
      {bundled.port(), "DELETE", "/v1/lookup/1390123", 405, "method not allowed"},
      {bundled.port(), "POST", "/healthz", 405, "method not allowed"},
      {bundled.port(), "PUT", "/v1/lookup", 405, "method not allowed"},
      {bundled.port(), "BREW", "/metrics", 405, "method not allowed"},
      {bundled.port(), "HEAD", "/v1/lookup/1390123", 200, ""},
  };
  for (const Case& c : cases) {
    HttpResponse response = Fetch(c.port, c.method, c.target);
    SCOPED_TRACE(c.method + " " + c.target);
    EXPECT_EQ(response.status, c.status);
    EXPECT_NE(response.body.find(c.body_contains), std::string::npos) << response.body;
    EXPECT_FALSE(response.Header("content-type").empty());
    EXPECT_FALSE(response.Header("content-length").empty());
    EXPECT_TRUE(ValidUtf8(response.body));
    if (c.status == 405) {
      EXPECT_FALSE(response.Header("allow").empty());
    }
    if (c.method == "HEAD") {
      EXPECT_EQ(response.Header("content-length"), std::to_string(std::strlen(kBeijing) + 1));
    }
  }
  // The requests above were counted. A request is counted once its answer is written, which can
  // be just after the client has read it: ask again for a moment.
  const std::string counted = "korvalind_http_requests_total{endpoint=\"lookup\",code=\"200\"} 5";
  std::string metrics = Fetch(bundled.port(), "GET", "/metrics").body;
  for (int tries = 0; tries < 100 && metrics.find(counted) == std::string::npos; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    metrics = Fetch(bundled.port(), "GET", "/metrics").body;
  }
  EXPECT_NE(metrics.find(counted), std::string::npos) << metrics;
  EXPECT_NE(metrics.find("korvalind_answers_total{status=\"invalid\"} 4"), std::string::npos);
  EXPECT_NE(metrics.find("korvalind_directory_segments 321047"), std::string::npos);
}

// The typed texts every surface answers alike (tests/data/number_texts.tsv), as one JSON batch,
// by the default rule and with any_prefix=1: each answer's status and carrier id in order.
TEST(Serve, TheSharedTextsAnswerAsEverywhere) {
  const std::vector<testing::NumberText> rows = testing::LoadNumberTexts();
  ASSERT_GE(rows.size(), 30u);
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  std::string body = "[";
  for (const testing::NumberText& row : rows) {
    if (body.size() > 1) body += ',';
    AppendJsonString(row.text, &body);
  }
  body += ']';
  for (const bool any_prefix : {false, true}) {
    const HttpResponse response =
        Fetch(server.port(), "POST", any_prefix ? "/v1/lookup?any_prefix=1" : "/v1/lookup", body,
              "application/json");
    ASSERT_EQ(response.status, 200) << response.body;
    size_t at = 0;
    // The next value of key after at, which then points past it.
    auto next = [&](const std::string& key) {
      const std::string opening = "\"" + key + "\":\"";
      at = response.body.find(opening, at);
      if (at == std::string::npos) return std::string("(missing)");
      at += opening.size();
      const size_t end = response.body.find('"', at);
      return response.body.substr(at, end - at);
    };
    for (const testing::NumberText& row : rows) {
      const std::string status = next("status");
      const std::string carrier = next("carrierId");
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(status + "\t" + carrier, row.Expected(any_prefix ? row.any_prefix : row.status))
          << row.text << (any_prefix ? " any_prefix=1" : "");
    }
  }
}

TEST(Serve, Batches) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  std::string many_lines;
  for (int i = 0; i < 100001; ++i) many_lines += "1390123\n";
  struct Case {
    std::string body, content_type;
    int status;
    std::string body_is;  // the whole body, or (with a leading "~") a part of it
  };
  const std::vector<Case> cases = {
      {"1390123\r\n1200000\nabc", "", 200,
       std::string(kBeijing) + "\n" +
           "{\"text\":\"1200000\",\"status\":\"invalid\",\"province\":\"\",\"city\":\"\","
           "\"simType\":\"\",\"carrier\":\"\",\"carrierId\":\"\",\"service\":\"\","
           "\"areaCode\":\"\",\"postCode\":\"\"}\n"
           "{\"text\":\"abc\",\"status\":\"invalid\",\"province\":\"\",\"city\":\"\","
           "\"simType\":\"\",\"carrier\":\"\",\"carrierId\":\"\",\"service\":\"\","
           "\"areaCode\":\"\",\"postCode\":\"\"}\n"},
      {"", "text/plain", 200, ""},
      {"[\"1390123\"]", "application/json; charset=utf-8", 200,
       "[" + std::string(kBeijing) + "]\n"},
      {"[]", "application/json", 200, "[]\n"},
      {"[1390123]", "application/json", 400, "~\"error\""},
      {"1390123", "application/json", 400, "~\"error\""},
      {many_lines, "", 413, "~100000"},
      {std::string(1024 * 1024 + 1, '1'), "", 413, "~1 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 40));
    HttpResponse response = Fetch(server.port(), "POST", "/v1/lookup", c.body, c.content_type);
    EXPECT_EQ(response.status, c.status);
    if (c.body_is.starts_with("~")) {
      EXPECT_NE(response.body.find(c.body_is.substr(1)), std::string::npos) << response.body;
    } else {
      EXPECT_EQ(response.body, c.body_is);
    }
  }
  // 100,000 texts are still one batch.
  many_lines.resize(many_lines.size() - 8);
  HttpResponse full = Fetch(server.port(), "POST", "/v1/lookup", many_lines);
  EXPECT_EQ(full.status, 200);
  EXPECT_EQ(std::count(full.body.begin(), full.body.end(), '\n'), 100000);
}

TEST(Serve, ExpectContinueGetsAnInterimAnswer) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  HttpConnection connection(server.port());
  ASSERT_TRUE(connection.Send(
      "POST /v1/lookup HTTP/1.1\r\nHost: x\r\nContent-Length: 8\r\nExpect: 100-continue\r\n\r\n"));
  HttpResponse interim, answer;
  ASSERT_TRUE(connection.Read(&interim));
  EXPECT_EQ(interim.status, 100);
  ASSERT_TRUE(connection.Send("1390123\n"));
  ASSERT_TRUE(connection.Read(&answer));
  EXPECT_EQ(answer.body, std::string(kBeijing) + "\n");
}

TEST(Serve, BadRequestsGetAnErrorAndNeverAnEcho) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"});
  ASSERT_TRUE(server.started()) << server.log();
  struct Case {
    std::string name, request;
    bool close_sending;
    int status;
  };
  const std::vector<Case> cases = {
      {"malformed request line", "GARBAGE\xff\r\n\r\n", false, 400},
      {"no version", "GET /healthz\r\n\r\n", false, 400},
      {"bad header", "GET /healthz HTTP/1.1\r\nBad Header\xff: 1\r\n\r\n", false, 400},
      {"long target", "GET /v1/lookup/" + std::string(9000, '1') + " HTTP/1.1\r\n\r\n", false, 414},
      {"huge headers", "GET /healthz HTTP/1.1\r\nX-A: " + std::string(20000, 'a') + "\r\n\r\n",
       false, 431},
      {"huge declared body", "POST /v1/lookup HTTP/1.1\r\nContent-Length: 2000000\r\n\r\n1", false,
       413},
      {"truncated body", "POST /v1/lookup HTTP/1.1\r\nContent-Length: 100\r\n\r\n1390123\n", true,
       400},
      {"bad chunk", "POST /v1/lookup HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false,
       400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpConnection connection(server.port());
    ASSERT_TRUE(connection.Send(c.request));
    if (c.close_sending) connection.CloseSending();
    HttpResponse response;
    ASSERT_TRUE(connection.Read(&response));
    EXPECT_EQ(response.status, c.status);
    EXPECT_EQ(response.Header("content-type"), "application/json");
    EXPECT_NE(response.body.find("\"error\""), std::string::npos);
    EXPECT_EQ(response.body.find("aaaa"), std::string::npos);
    EXPECT_EQ(response.body.find("GARBAGE"), std::string::npos);
    EXPECT_TRUE(connection.ClosedByPeer(3000));
  }
  // Still serving.
  EXPECT_EQ(Fetch(server.port(), "GET", "/healthz").status, 200);
}

TEST(Serve, KeepAliveAndPipelining) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "2"});
  ASSERT_TRUE(server.started()) << server.log();
  HttpConnection connection(server.port());
  std::string three;
  for (const char* text : {"1390123", "1200000", "1300000"}) {
    three += "GET /v1/lookup/" + std::string(text) + " HTTP/1.1\r\nHost: x\r\n\r\n";
  }
  ASSERT_TRUE(connection.Send(three));
  const int statuses[3] = {200, 400, 200};
  const char* texts[3] = {"1390123", "1200000", "1300000"};
  for (int i = 0; i < 3; ++i) {
    HttpResponse response;
    ASSERT_TRUE(connection.Read(&response)) << i;
    EXPECT_EQ(response.status, statuses[i]);
    EXPECT_NE(response.body.find(std::string("\"text\":\"") + texts[i]), std::string::npos);
  }
  // The same connection goes on serving.
  ASSERT_TRUE(connection.Send("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"));
  HttpResponse again;
  ASSERT_TRUE(connection.Read(&again));
  EXPECT_EQ(again.status, 200);
}

TEST(Serve, ListensOnIpv6Loopback) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1"}, "::1");
  if (!server.started()) {
    if (server.log().find("cannot listen") != std::string::npos) GTEST_SKIP() << server.log();
    FAIL() << server.log();
  }
  HttpConnection connection(server.port(), "::1");
  ASSERT_TRUE(connection.connected());
  ASSERT_TRUE(connection.Send("GET /v1/lookup/1390123 HTTP/1.1\r\nHost: x\r\n\r\n"));
  HttpResponse response;
  ASSERT_TRUE(connection.Read(&response));
  EXPECT_EQ(response.body, std::string(kBeijing) + "\n");
}

TEST(Serve, SlowClientsAreCut) {
  ServerProcess server(kProgram, {"--directory", kBundled, "--threads", "1", "--read-timeout", "1",
                                  "--idle-timeout", "2"});
  ASSERT_TRUE(server.started()) << server.log();
  HttpConnection slow(server.port());
  ASSERT_TRUE(slow.Send("GET /healthz HTTP/1.1\r\nHost"));
  HttpConnection idle(server.port());
  EXPECT_TRUE(slow.ClosedByPeer(4000));
  EXPECT_TRUE(idle.ClosedByPeer(5000));
}

TEST(Serve, LogsEventsAndWithAccessLogEachRequestEscaped) {
  ServerProcess quiet(kProgram, {"--directory", kBundled, "--threads", "1"});
  ServerProcess logging(kProgram, {"--directory", kBundled, "--threads", "1", "--access-log"});
  ASSERT_TRUE(quiet.started() && logging.started());
  for (const ServerProcess* server : {&quiet, &logging}) {
    HttpConnection connection(server->port());
    ASSERT_TRUE(connection.Send("GET /v1/lookup/1390123\xff\"x HTTP/1.1\r\nHost: x\r\n\r\n"));
    HttpResponse response;
    ASSERT_TRUE(connection.Read(&response));
    EXPECT_EQ(response.status, 200);
  }
  EXPECT_TRUE(logging.WaitForLog("GET /v1/lookup/1390123\\xff\\x22x 200 ", 5000)) << logging.log();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  // One line: the start.
  EXPECT_EQ(std::count(quiet.log().begin(), quiet.log().end(), '\n'), 1) << quiet.log();
}

TEST(Serve, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"serve", "--listen", "localhost:80"}, "--listen needs ADDRESS:PORT"},
      {{"serve", "--threads", "0"}, "--threads needs a whole number"},
      {{"serve", "--directory", "/nonexistent/Korvalind.dat", "--listen", "127.0.0.1:0"},
       "/nonexistent/Korvalind.dat"},
      {{"serve", "extra"}, "no operands"},
  };
  for (const Case& c : cases) {
    auto result = testing::RunProcess(kProgram, c.args);
    EXPECT_EQ(result.exitCode, 2) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace korvalind
