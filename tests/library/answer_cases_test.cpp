// One table of typed texts (tests/data/number_texts.tsv, also read by the browser test) through
// every surface on the bundled directory: the core's preparation, the command line's tsv and
// json, the library, and the page the service renders. Each must give the table's status and
// carrier.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "directory/number_text.h"
#include "korvalind/korvalind.h"
#include "support/number_texts.h"
#include "support/process.h"
#include "web/page_handler.h"

namespace korvalind {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string PercentEncoded(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", c);
    out += escape;
  }
  return out;
}

TEST(AnswerCases, EverySurfaceGivesTheSameStatusAndCarrier) {
  const std::vector<testing::NumberText> cases = testing::LoadNumberTexts();
  ASSERT_GE(cases.size(), 30u);
  korvalind_directory* directory = nullptr;
  ASSERT_EQ(korvalind_open(KORVALIND_BUNDLED_DIRECTORY, &directory, nullptr), KORVALIND_OK);
  std::string input;
  for (const testing::NumberText& c : cases) input += c.text + "\n";

  for (const bool any_prefix : {false, true}) {
    SCOPED_TRACE(any_prefix ? "--any-prefix" : "default rule");
    std::vector<std::string> args = {"query", "--directory", KORVALIND_BUNDLED_DIRECTORY, "-"};
    if (any_prefix) args.push_back("--any-prefix");
    std::vector<std::string> tsv_args = args;
    tsv_args.insert(tsv_args.end(), {"--format", "tsv", "--fields", "status,carrier_id"});
    const std::vector<std::string> tsv =
        Lines(testing::RunProcess(KORVALIND_BINARY, tsv_args, input).out);
    args.insert(args.end(), {"--format", "json"});
    const std::vector<std::string> json =
        Lines(testing::RunProcess(KORVALIND_BINARY, args, input).out);
    ASSERT_EQ(tsv.size(), cases.size());
    ASSERT_EQ(json.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
      const testing::NumberText& c = cases[i];
      const std::string expected = c.Expected(any_prefix ? c.any_prefix : c.status);
      EXPECT_EQ(tsv[i], expected) << "tsv, line " << i + 2;
      const std::string status = expected.substr(0, expected.find('\t'));
      const std::string carrier = expected.substr(expected.find('\t') + 1);
      EXPECT_NE(json[i].find("\"status\":\"" + status + "\""), std::string::npos) << json[i];
      EXPECT_NE(json[i].find("\"carrierId\":\"" + carrier + "\""), std::string::npos) << json[i];
      korvalind_answer_ex answer{};
      answer.size = sizeof answer;
      const korvalind_status got = korvalind_lookup_ex(
          directory, c.text.data(), c.text.size(), any_prefix ? KORVALIND_ANY_PREFIX : 0, &answer);
      EXPECT_EQ(std::string(korvalind_status_name(got)) + "\t" + answer.carrier_id, expected)
          << "library, line " << i + 2;
    }
  }

  const web::PageSource source{[directory](std::string_view text, korvalind_answer_ex* answer) {
                                 return korvalind_lookup_ex(directory, text.data(), text.size(), 0,
                                                            answer);
                               },
                               "", ""};
  for (size_t i = 0; i < cases.size(); ++i) {
    const testing::NumberText& c = cases[i];
    EXPECT_EQ(PrepareNumberText(c.text), c.prepared) << "line " << i + 2;
    const std::optional<web::PageResponse> page =
        web::AnswerPageRequest({"GET", "/?number=" + PercentEncoded(c.text), ""}, source);
    ASSERT_TRUE(page.has_value());
    const std::string carrier = c.page == "invalid" ? "" : c.carrier_id;
    const std::string name =
        carrier.empty() ? ""
                        : korvalind_carrier_name(
                              c.carrier_id == "china-mobile"    ? KORVALIND_CARRIER_CHINA_MOBILE
                              : c.carrier_id == "china-unicom"  ? KORVALIND_CARRIER_CHINA_UNICOM
                              : c.carrier_id == "china-telecom" ? KORVALIND_CARRIER_CHINA_TELECOM
                                                                : KORVALIND_CARRIER_CHINA_BROADNET,
                              0);
    EXPECT_NE(page->body.find("id=\"carrier\" type=\"text\" readonly value=\"" + name + "\""),
              std::string::npos)
        << "page, line " << i + 2;
    const char* message = c.page == "ok"          ? "role=\"status\" aria-live=\"polite\"></p>"
                          : c.page == "not-found" ? "不会吧，没有找到!"
                                                  : "请输入合法的号码段!";
    EXPECT_NE(page->body.find(message), std::string::npos) << "page, line " << i + 2;
  }
  korvalind_close(directory);
}

}  // namespace
}  // namespace korvalind
