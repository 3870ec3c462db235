// The service's own parsing: request targets, JSON texts and batch bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serve/json_text.h"
#include "serve/request_target.h"
#include "serve/server.h"

namespace korvalind::serve {
namespace {

TEST(RequestTarget, MapsPathsAndParameters) {
  struct Case {
    std::string target;
    Endpoint endpoint;
    std::string text;
    bool any_prefix;
  };
  const std::vector<Case> cases = {
      {"/v1/lookup/1390123", Endpoint::kLookup, "1390123", false},
      {"/v1/lookup/1390123?any_prefix=1", Endpoint::kLookup, "1390123", true},
      {"/v1/lookup/%2B86%20139-0123?any_prefix=true", Endpoint::kLookup, "+86 139-0123", true},
      {"/v1/lookup/+86139", Endpoint::kLookup, "+86139", false},  // a path's "+" is a plus
      {"/v1/lookup?number=%2B86+139+0123&any_prefix=1", Endpoint::kLookup, "+86 139 0123", true},
      {"/v1/lookup/%zz%4", Endpoint::kLookup, "%zz%4", false},  // broken escapes stay
      {"/v1/lookup/%FF%00x", Endpoint::kLookup, std::string("\xff\0x", 3), false},
      {"/v1/lookup/a/b", Endpoint::kLookup, "a/b", false},
      {"/v1/lookup?number=1390123&any_prefix=0", Endpoint::kLookup, "1390123", false},
      {"/v1/lookup?any_prefix=1&number=%31390123", Endpoint::kLookup, "1390123", true},
      {"/v1/lookup?number=", Endpoint::kLookup, "", false},
      {"/v1/lookup", Endpoint::kLookupBatch, "", false},
      {"/v1/lookup?any_prefix=1", Endpoint::kLookupBatch, "", true},
      {"/v1/lookup/", Endpoint::kLookup, "", false},
      {"/v1/lookupx/1390123", Endpoint::kUnknown, "", false},
      {"/healthz", Endpoint::kHealth, "", false},
      {"/v1/info?x=1", Endpoint::kInfo, "", false},
      {"/metrics", Endpoint::kMetrics, "", false},
      {"/", Endpoint::kPage, "", false},
      {"/assets/app.js", Endpoint::kPage, "", false},
      {"/assets", Endpoint::kUnknown, "", false},
      {"", Endpoint::kUnknown, "", false},
      {"*", Endpoint::kUnknown, "", false},
  };
  for (const Case& c : cases) {
    Route route = MapRequestTarget(c.target);
    EXPECT_EQ(route.endpoint, c.endpoint) << c.target;
    EXPECT_EQ(route.text, c.text) << c.target;
    EXPECT_EQ(route.any_prefix, c.any_prefix) << c.target;
  }
}

TEST(JsonText, EscapesAndRepairsUtf8) {
  struct Case {
    std::string value;
    std::string json;
  };
  const std::vector<Case> cases = {
      {"1390123", "\"1390123\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {std::string("\n\t\x01\x7f", 4), "\"\\u000a\\u0009\\u0001\\u007f\""},
      {"北京", "\"北京\""},
      {"\xff", "\"\xef\xbf\xbd\""},                                  // not UTF-8
      {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                  // overlong "/"
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},  // a surrogate
      {"\xe5\x8c", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                  // cut short
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
  };
  for (const Case& c : cases) {
    std::string out;
    AppendJsonString(c.value, &out);
    EXPECT_EQ(out, c.json);
  }
}

TEST(JsonText, ParsesStringArrays) {
  struct Case {
    std::string json;
    bool ok;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      {"[]", true, {}},
      {" [ \"1390123\" ,\"a\\u0041\\n\" ] \r\n", true, {"1390123", "aA\n"}},
      {"[\"\\ud83d\\ude00\", \"\\/\"]", true, {"\xf0\x9f\x98\x80", "/"}},
      {"[\"北京\"]", true, {"北京"}},
      {"[\"1\",\"2\",\"3\"]", true, {"1", "2", "3"}},
      {"[\"1\",\"2\",\"3\",\"4\"]", false, {}},  // more than the limit of 3
      {"", false, {}},
      {"[", false, {}},
      {"[\"a\"", false, {}},
      {"[\"a\",]", false, {}},
      {"[1]", false, {}},
      {"{\"a\":1}", false, {}},
      {"[\"a\"] x", false, {}},
      {"[\"\\ud800\"]", false, {}},
      {"[\"\\x\"]", false, {}},
      {"[\"\xff\"]", false, {}},
      {"[\"a\nb\"]", false, {}},
  };
  for (const Case& c : cases) {
    PackedTexts packed;
    std::string error;
    EXPECT_EQ(ParseJsonStringArray(c.json, 3, &packed, &error), c.ok) << c.json;
    if (c.ok) {
      std::vector<std::string> texts;
      for (size_t i = 0; i < packed.size(); ++i) texts.emplace_back(packed[i]);
      EXPECT_EQ(texts, c.texts) << c.json;
    } else {
      EXPECT_FALSE(error.empty()) << c.json;
    }
  }
}

TEST(ListenAddress, SplitsHostAndPort) {
  struct Case {
    std::string listen;
    bool ok;
    std::string host;
    unsigned short port;
  };
  const std::vector<Case> cases = {
      {"127.0.0.1:8080", true, "127.0.0.1", 8080},
      {"[::1]:0", true, "::1", 0},
      {"0.0.0.0:65535", true, "0.0.0.0", 65535},
      {"127.0.0.1:65536", false, "", 0},
      {"::1:80", false, "", 0},
      {"localhost:80", false, "", 0},
      {"127.0.0.1:", false, "", 0},
      {"127.0.0.1:8o", false, "", 0},
      {"8080", false, "", 0},
  };
  for (const Case& c : cases) {
    std::string host;
    unsigned short port = 1;
    EXPECT_EQ(SplitListenAddress(c.listen, &host, &port), c.ok) << c.listen;
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

}  // namespace
}  // namespace korvalind::serve
