#include "web/page_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "web/page_text.h"
#include "web/web_assets.h"

namespace korvalind::web {
namespace {

TEST(PageText, EscapeHtml) {
  const struct {
    std::string_view text;
    std::string_view escaped;
  } cases[] = {
      {"1390123", "1390123"},
      {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
      {"\"><script>alert('x')</script>",
       "&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
      {"a&b", "a&amp;b"},
      {"北京", "北京"},
      {"\xB1\xB1\xBE\xA9", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // GBK, not UTF-8
      {"\xE5\x8C", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                  // cut sequence
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                  // a surrogate
      {"\xC0\xBC", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                  // overlong "<"
      {std::string_view("a\0b\x1b\x7f", 5),
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xF0\x9F\x93\xB1", "\xF0\x9F\x93\xB1"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeHtml(c.text), c.escaped) << c.text;
}

TEST(PageText, FormValue) {
  const struct {
    std::string_view query;
    std::optional<std::string> number;
  } cases[] = {
      {"number=18600001234", "18600001234"},
      {"number=%2B86+186+0000+1234", "+86 186 0000 1234"},
      {"x=1&number=0086-186-0000-1234&number=2", "0086-186-0000-1234"},
      {"number=%E3%80%80186%C2%A000001234",
       "\xE3\x80\x80"
       "186\xC2\xA0"
       "00001234"},
      {"number=%3Cb%3E%zz%4", "<b>%zz%4"},
      {"number", ""},
      {"numbers=1390123", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> value = FormValue(c.query, "number");
    EXPECT_EQ(value, c.number) << c.query;
  }
}

// A look-up with three known texts, in the shape the service's directory gives.
korvalind_status FakeLookup(std::string_view text, korvalind_answer_ex* answer) {
  const auto fill = [answer](std::uint32_t segment, korvalind_answer texts) {
    answer->segment = segment;
    answer->province = texts.province;
    answer->city = texts.city;
    answer->sim_type = texts.sim_type;
    answer->area_code = texts.area_code;
    answer->post_code = texts.post_code;
  };
  if (text == "18600001234") {
    fill(1860000, {"北京", "北京", "联通130卡", "010", "100000"});
    return KORVALIND_OK;
  }
  if (text == "1999999") {
    answer->segment = 1999999;
    return KORVALIND_NOT_FOUND;
  }
  if (text == "1390000") {
    fill(1390000, {"<b>", "\"x\"", "'", "&", "\xB1"});  // hostile names must stay text
    return KORVALIND_OK;
  }
  return KORVALIND_INVALID;
}

PageResponse Get(std::string_view target, std::string_view if_none_match = {}) {
  const PageSource source{FakeLookup, "手机号码段共计:3 [2002-11-08]", "1.0.0.1"};
  const std::optional<PageResponse> response =
      AnswerPageRequest({"GET", target, if_none_match}, source);
  EXPECT_TRUE(response.has_value()) << target;
  return response.value_or(PageResponse{});
}

TEST(PageHandler, RendersTheAnswerOfASubmittedNumber) {
  const struct {
    std::string_view target;
    std::string_view fragments[3];
  } cases[] = {
      {"/", {"value=\"\"", "手机号码段共计:3 [2002-11-08]", "Korvalind 1.0.0.1"}},
      {"/?number=%2B86+186-0000-1234",
       {"value=\"+86 186-0000-1234\"", "id=\"sim-type\" type=\"text\" readonly value=\"联通130卡\"",
        "id=\"post-code\" type=\"text\" readonly value=\"100000\""}},
      {"/?number=1220000",
       {"class=\"message error\"", ">请输入合法的号码段!</p>", "value=\"1220000\""}},
      {"/?number=",
       {">请输入合法的号码段!</p>", "id=\"province\" type=\"text\" readonly value=\"\"", ""}},
      {"/?number=1999999",
       {">不会吧，没有找到!</p>", "id=\"carrier\" type=\"text\" readonly value=\"中国电信\"",
        "id=\"province\" type=\"text\" readonly value=\"\""}},
      {"/?number=%22%3E%3Cscript%3Ealert(1)%3C/script%3E",
       {"value=\"&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\"", "请输入合法的号码段!", ""}},
      {"/?number=1390000", {"value=\"&lt;b&gt;\"", "value=\"&quot;x&quot;\"", "value=\"&#39;\""}},
  };
  for (const auto& c : cases) {
    const PageResponse response = Get(c.target);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.content_type, "text/html; charset=utf-8");
    for (std::string_view fragment : c.fragments) {
      EXPECT_NE(response.body.find(fragment), std::string::npos) << c.target << ": " << fragment;
    }
    EXPECT_EQ(response.body.find("{{"), std::string::npos) << c.target;
    EXPECT_EQ(response.body.find("<script>"), std::string::npos) << c.target;
  }
  // A typed marker is shown as typed, never filled in.
  const std::string echoed = Get("/?number=%7B%7Bcount_line%7D%7D").body;
  EXPECT_NE(echoed.find("value=\"{{count_line}}\""), std::string::npos);
}

TEST(PageHandler, EveryResponseHasAStrongTagAndTheOwnOriginPolicy) {
  for (std::string_view target :
       {"/", "/?number=18600001234", "/assets/app.js", "/assets/app.css", "/assets/icon.svg",
        "/assets/lookup.js", "/assets/batch_worker.js"}) {
    const PageResponse response = Get(target);
    ASSERT_EQ(response.status, 200) << target;
    ASSERT_GT(response.etag.size(), 2u);
    EXPECT_EQ(response.etag.front(), '"');
    EXPECT_EQ(response.etag.back(), '"');
    bool csp = false;
    for (const auto& [name, value] : response.headers) {
      if (name == "Content-Security-Policy") csp = value.starts_with("default-src 'self';");
    }
    EXPECT_TRUE(csp) << target;

    const std::string list = "\"other\", W/" + response.etag;
    for (std::string_view header :
         {std::string_view(response.etag), std::string_view(list), std::string_view("*")}) {
      const PageResponse again = Get(target, header);
      EXPECT_EQ(again.status, 304) << target << " with " << header;
      EXPECT_TRUE(again.body.empty());
      EXPECT_EQ(again.etag, response.etag);
    }
    EXPECT_EQ(Get(target, "\"other\"").status, 200);
  }
  // The tag follows the bytes: another answer, another tag; the same answer, the same tag.
  EXPECT_NE(Get("/?number=18600001234").etag, Get("/?number=1220000").etag);
  EXPECT_EQ(Get("/?number=18600001234").etag, Get("/?number=18600001234").etag);
}

TEST(PageHandler, AssetsAreTheEmbeddedFilesAndNothingElse) {
  const PageResponse script = Get("/assets/app.js");
  const WebAsset* asset = FindWebAsset("app.js");
  ASSERT_NE(asset, nullptr);
  EXPECT_EQ(script.body, asset->body);
  EXPECT_EQ(script.etag, asset->etag);
  EXPECT_EQ(script.content_type, "text/javascript; charset=utf-8");

  const PageSource source{FakeLookup, "", ""};
  const struct {
    std::string_view method;
    std::string_view target;
  } refused[] = {
      {"POST", "/"},          {"PUT", "/assets/app.js"},     {"GET", "/assets/index.html"},
      {"GET", "/assets/"},    {"GET", "/assets/../app.js"},  {"GET", "/assets/nothing.js"},
      {"GET", "/index.html"}, {"GET", "/v1/lookup/1390123"}, {"GET", "//"},
  };
  for (const auto& r : refused) {
    EXPECT_FALSE(AnswerPageRequest({r.method, r.target, ""}, source).has_value())
        << r.method << " " << r.target;
  }
  // No inline script or style for the policy to block, and nothing fetched from elsewhere.
  const WebAsset* page = FindWebAsset("index.html");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->body.find("<script>"), std::string::npos);
  EXPECT_EQ(page->body.find("<style"), std::string::npos);
  EXPECT_EQ(page->body.find(" style="), std::string::npos);
  EXPECT_EQ(page->body.find(" on"), std::string::npos);  // onclick= and the like
  for (const WebAsset& file : WebAssets()) {
    if (file.name == "icon.svg") continue;  // its xmlns names a namespace, not a resource
    EXPECT_EQ(file.body.find("http"), std::string::npos) << file.name;
  }
}

}  // namespace
}  // namespace korvalind::web
