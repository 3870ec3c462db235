#include "cli/answer_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "directory/number_text.h"

namespace korvalind::cli {
namespace {

QueryAnswer Found() {
  QueryAnswer answer;
  answer.outcome = QueryAnswer::Outcome::kOk;
  answer.province = "\xba\xd3\xb1\xb1";      // 河北
  answer.city = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
  answer.simType = "\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8";
  answer.areaCode = "0311";
  answer.postCode = "050000";
  answer.kind = 1;
  answer.segment = 1390123;
  answer.plan = PlanOfSegment(answer.segment);
  return answer;
}

TEST(FormatAnswer, EveryFormatAndOutcome) {
  QueryAnswer missing;
  missing.outcome = QueryAnswer::Outcome::kNotFound;
  missing.segment = 1990000;
  QueryAnswer refused;
  struct Case {
    Format format;
    Encoding encoding;
    std::string text;
    QueryAnswer answer;
    std::string out;
    std::string errors;
  };
  const Case cases[] = {
      {Format::kTsv, Encoding::kUtf8, "1390123", Found(),
       "1390123\tok\t河北\t石家庄\t移动全球通\t0311\t050000\n", ""},
      {Format::kTsv, Encoding::kUtf8, "1390124", missing, "1390124\tnot-found\t\t\t\t\t\n", ""},
      {Format::kTsv, Encoding::kUtf8, "a\tb\rc", refused, "a b c\tinvalid\t\t\t\t\t\n", ""},
      {Format::kTsv, Encoding::kGbk, "1390123", Found(),
       "1390123\tok\t\xba\xd3\xb1\xb1\t\xca\xaf\xbc\xd2\xd7\xaf\t"
       "\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8\t0311\t050000\n",
       ""},
      {Format::kJson, Encoding::kUtf8, "1390123", Found(),
       "{\"text\":\"1390123\",\"status\":\"ok\",\"province\":\"河北\",\"city\":\"石家庄\","
       "\"simType\":\"移动全球通\",\"carrier\":\"中国移动\",\"carrierId\":\"china-mobile\","
       "\"service\":\"mobile\",\"areaCode\":\"0311\",\"postCode\":\"050000\"}\n",
       ""},
      {Format::kJson, Encoding::kUtf8, "19912345678", missing,
       "{\"text\":\"19912345678\",\"status\":\"not-found\",\"province\":\"\",\"city\":\"\","
       "\"simType\":\"\",\"carrier\":\"中国电信\",\"carrierId\":\"china-telecom\","
       "\"service\":\"mobile\",\"areaCode\":\"\",\"postCode\":\"\"}\n",
       ""},
      {Format::kJson, Encoding::kUtf8, "\"\\\x01\xff", refused,
       "{\"text\":\"\\\"\\\\\\u0001\xEF\xBF\xBD\",\"status\":\"invalid\",\"province\":\"\","
       "\"city\":\"\",\"simType\":\"\",\"carrier\":\"\",\"carrierId\":\"\",\"service\":\"\","
       "\"areaCode\":\"\",\"postCode\":\"\"}\n",
       ""},
      {Format::kText, Encoding::kUtf8, "1390123", Found(),
       "省份: 河北\n城市: 石家庄\nSIM 卡类型: 移动全球通\n运营商: 中国移动\n长途区号: 0311\n"
       "邮政编码: 050000\n",
       ""},
      {Format::kText, Encoding::kUtf8, "1220000", refused, "", "1220000: 请输入合法的号码段!\n"},
      {Format::kText, Encoding::kUtf8, "1990000", missing, "运营商: 中国电信\n",
       "1990000: 不会吧，没有找到!\n"},
  };
  for (const Case& c : cases) {
    std::string out, errors;
    FormatAnswer(c.format, c.encoding, c.text, c.answer, &out, &errors);
    EXPECT_EQ(out, c.out) << c.text;
    EXPECT_EQ(errors, c.errors) << c.text;
  }
}

TEST(FormatAnswer, PlaceBytesThatDoNotConvertBecomeReplacementCharacters) {
  QueryAnswer answer = Found();
  answer.city = "\x81";  // a lone lead byte
  std::string out, errors;
  FormatAnswer(Format::kTsv, Encoding::kUtf8, "1390123", answer, &out, &errors);
  EXPECT_EQ(out, "1390123\tok\t河北\t\xEF\xBF\xBD\t移动全球通\t0311\t050000\n");
}

TEST(FormatAnswer, SeparatorsInsideNamesDoNotAddColumns) {
  QueryAnswer answer = Found();
  answer.city = "A\tB\nC";
  std::string out, errors;
  FormatAnswer(Format::kTsv, Encoding::kGbk, "1390123", answer, &out, &errors);
  EXPECT_EQ(out,
            "1390123\tok\t\xba\xd3\xb1\xb1\tA B C\t\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8"
            "\t0311\t050000\n");
}

// Echoed texts and names as a reader decodes them: JSON in GBK escaped by character (a second
// byte 0x5C is no backslash), and control characters never written raw in text or tsv.
TEST(FormatAnswer, EchoesAreSafeForTheReader) {
  QueryAnswer refused;
  QueryAnswer found = Found();
  found.city = "\x81\x5c\\";  // a GBK character whose second byte is 0x5C, then a backslash
  const std::string escape =
      "\x1b]0;pwned\x07"
      "13\x7f";
  struct Case {
    Format format;
    Encoding encoding;
    std::string text;
    const QueryAnswer& answer;
    std::string out;
    std::string errors;
  };
  const Case cases[] = {
      {Format::kJson, Encoding::kGbk, "\x95\x5c\"", found,
       "{\"text\":\"\x95\x5c\\\"\",\"status\":\"ok\",\"province\":\"\xba\xd3\xb1\xb1\","
       "\"city\":\"\x81\x5c\\\\\",\"simType\":\"\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8\","
       "\"carrier\":\"\xd6\xd0\xb9\xfa\xd2\xc6\xb6\xaf\",\"carrierId\":\"china-mobile\","
       "\"service\":\"mobile\",\"areaCode\":\"0311\",\"postCode\":\"050000\"}\n",
       ""},
      {Format::kText, Encoding::kUtf8, escape, refused, "",
       "\xEF\xBF\xBD]0;pwned\xEF\xBF\xBD"
       "13\xEF\xBF\xBD: 请输入合法的号码段!\n"},
      {Format::kText, Encoding::kGbk, escape, refused, "",
       "?]0;pwned?13?: "
       "\xc7\xeb\xca\xe4\xc8\xeb\xba\xcf\xb7\xa8\xb5\xc4\xba\xc5\xc2\xeb\xb6\xce!\n"},
      {Format::kTsv, Encoding::kUtf8, escape + "\t", refused,
       "\xEF\xBF\xBD]0;pwned\xEF\xBF\xBD"
       "13\xEF\xBF\xBD \tinvalid\t\t\t\t\t\n",
       ""},
  };
  for (const Case& c : cases) {
    std::string out, errors;
    FormatAnswer(c.format, c.encoding, c.text, c.answer, &out, &errors);
    EXPECT_EQ(out, c.out) << c.text;
    EXPECT_EQ(errors, c.errors) << c.text;
  }
}

TEST(ParseArguments, DoubleDashEndsOptionsOnce) {
  OptionSpec options{{"format"}, {"any-prefix"}};
  Arguments parsed;
  std::string error;
  ASSERT_TRUE(ParseArguments({"--format", "tsv", "--", "--any-prefix", "--", "-"}, options, &parsed,
                             &error))
      << error;
  EXPECT_EQ(parsed.Value("format"), "tsv");
  EXPECT_FALSE(parsed.Flag("any-prefix"));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"--any-prefix", "--", "-"}));
  EXPECT_FALSE(ParseArguments({"--format"}, options, &parsed, &error));
  EXPECT_NE(error.find("--format"), std::string::npos);
}

TEST(AnyPrefix, NormalizesAndAccepts) {
  struct Case {
    std::string text;
    std::string normalized;
    bool accepted;
  };
  const Case cases[] = {
      {"+86 139-0123-4567", "13901234567", true},
      {" +86 1390123", "1390123", true},
      {"\t 0086 1390123", "1390123", true},
      {"008615901234567", "15901234567", true},
      {"1590123", "1590123", true},
      {"1990000", "1990000", true},
      {"86139012", "86139012", false},
      {"+86", "", false},
      {"2590123", "2590123", false},
      {"15901a3", "15901a3", false},
      {"159012", "159012", false},
  };
  for (const Case& c : cases) {
    std::string normalized = PrepareNumberText(c.text);
    EXPECT_EQ(normalized, c.normalized) << c.text;
    EXPECT_EQ((SegmentOfDigits(normalized) != 0), c.accepted) << c.text;
  }
}

}  // namespace
}  // namespace korvalind::cli
