// The standard-input filter of the built program against the one-at-a-time query: same bytes
// for every 13x segment, answers while the input pauses, bounded memory for any line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/answer_format.h"
#include "directory/loader.h"
#include "directory/number_text.h"
#include "directory/query.h"
#include "piped_child.h"
#include "support/process.h"

namespace korvalind {
namespace {

using cli::Encoding;
using cli::Format;

const std::string kProgram = KORVALIND_BINARY;
const std::string kBundled = KORVALIND_BUNDLED_DIRECTORY;
constexpr int kPatienceMs = 30000;  // only reached when an answer never comes

// The bundled directory without its index: every query walks the records, as one query at a
// time always did.
const DirectoryImage& WalkedBundled() {
  static const DirectoryImage image = [] {
    DirectoryImage loaded;
    Status status = LoadDirectory(kBundled, &loaded, IndexPolicy::kSkip);
    EXPECT_TRUE(status.ok()) << status.message();
    return loaded;
  }();
  return image;
}

// The walk over the bundled records costs a millisecond per query in a sanitizer build. For
// 100,000 queries it walks instead a small image per first four digits: the bundled tables and,
// in their order, the first record of each of its keys, which is the record the walk over the
// whole directory finds for such a key.
class WalkedByPrefix {
 public:
  WalkedByPrefix() {
    const DirectoryImage& whole = WalkedBundled();
    std::vector<bool> seen(1 << 24);
    for (size_t at = whole.zoneTableEnd; at + 8 <= whole.recordsEnd; at += 8) {
      const std::uint8_t* r = whole.data.data() + at;
      std::uint32_t key = r[1] << 16 | r[2] << 8 | r[3];
      if (seen[key]) continue;
      seen[key] = true;
      DirectoryImage& part = parts_[r[1] << 8 | r[2] >> 4];
      if (part.data.empty()) {
        part.data.assign(whole.data.begin(), whole.data.begin() + whole.zoneTableEnd);
        part.placeTableEnd = whole.placeTableEnd;
        part.zoneTableEnd = part.recordsEnd = whole.zoneTableEnd;
      }
      part.data.insert(part.data.end(), r, r + 8);
      part.recordsEnd += 8;
    }
  }

  QueryAnswer Query(const std::string& text) const {
    if (!IsAcceptedSegmentText(WalkedBundled(), text)) return QueryNumber(DirectoryImage(), text);
    return QueryDigits(text);
  }

  // The answer for the segment of the first seven digits of text.
  QueryAnswer QueryDigits(std::string_view text) const {
    std::uint8_t key[kSegmentKeySize];
    PackSegmentKey(text.substr(1, 6), key);
    QueryAnswer answer = QueryKey(key);
    answer.segment = SegmentOfDigits(text);
    answer.plan = PlanOfSegment(answer.segment);
    return answer;
  }

  QueryAnswer QueryKey(const std::uint8_t* key) const {
    auto part = parts_.find(key[0] << 8 | key[1] >> 4);
    return part == parts_.end() ? QuerySegmentKey(DirectoryImage(), key)
                                : QuerySegmentKey(part->second, key);
  }

 private:
  std::map<int, DirectoryImage> parts_;
};
std::vector<std::string> FilterArgs(const char* format, const char* encoding) {
  return {"query", "--directory", kBundled, "--format", format, "--encoding", encoding, "-"};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines.push_back(text.substr(start, lf - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(Filter, EveryThirteenSegmentAsOneAtATime) {
  std::vector<std::string> texts;
  for (int n = 0; n < 100000; ++n) texts.push_back(std::to_string(1300000 + n));
  // Texts around the segments: kept bytes after the seventh, refusals, bytes that are not UTF-8,
  // characters that json escapes and tsv blanks.
  texts.insert(texts.end(), {"1390123abc", "13901234567", "+86 139-0123-4567", "", "13a0000",
                             "1390123\tx", "\"1390123\\", "1300000\xff\xfe",
                             "\x01"
                             "1390123",
                             "\xba\xd3\xb1\xb1", "1390123 ", "1340000", "1320000"});
  std::string input;
  for (const std::string& text : texts) input += text + "\n";

  const WalkedByPrefix walked;
  std::vector<QueryAnswer> answers;
  answers.reserve(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    answers.push_back(walked.Query(texts[i]));
    // On a sample, the walk over the whole directory itself.
    if (i % 997 == 0) {
      QueryAnswer whole = QueryNumber(WalkedBundled(), texts[i]);
      ASSERT_EQ(whole.outcome, answers.back().outcome) << texts[i];
      ASSERT_EQ(whole.city, answers.back().city) << texts[i];
      ASSERT_EQ(whole.areaCode, answers.back().areaCode) << texts[i];
    }
  }

  struct Case {
    Format format;
    Encoding encoding;
    const char* format_name;
    const char* encoding_name;
  };
  const Case cases[] = {{Format::kTsv, Encoding::kUtf8, "tsv", "utf-8"},
                        {Format::kJson, Encoding::kUtf8, "json", "utf-8"},
                        {Format::kTsv, Encoding::kGbk, "tsv", "gbk"},
                        {Format::kJson, Encoding::kGbk, "json", "gbk"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format_name) + " " + c.encoding_name);
    std::string expected, errors;
    for (size_t i = 0; i < texts.size(); ++i) {
      cli::FormatAnswer(c.format, c.encoding, texts[i], answers[i], &expected, &errors);
    }
    testing::ProcessResult r =
        testing::RunProcess(kProgram, FilterArgs(c.format_name, c.encoding_name), input);
    EXPECT_EQ(r.exitCode, 1);  // some segments are refused or not found
    ASSERT_EQ(r.out.size(), expected.size());
    if (r.out != expected) {
      std::vector<std::string> got = Lines(r.out), want = Lines(expected);
      for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        ASSERT_EQ(got[i], want[i]) << "line " << i;
      }
    }
  }
}

// Lines put together from cached parts must stay those of the formatter whatever the columns:
// the segment's own digits, no text column, the text twice.
TEST(Filter, FieldListsAsOneAtATime) {
  std::vector<std::string> texts = {"abc", "1390123 x", "\"1390123"};
  for (int n = 1300000; n < 2000000; n += 2377) texts.push_back(std::to_string(n) + "1234");
  const WalkedByPrefix walked;
  for (const char* fields : {"text,status,segment,carrier", "status,carrier_id,kind",
                             "text,kind,text", "carrier,text,service"}) {
    cli::Columns columns;
    std::string error, input, expected, errors;
    ASSERT_TRUE(cli::ParseColumns(fields, &columns, &error)) << error;
    for (const std::string& text : texts) {
      input += text + "\n";
      cli::FormatAnswer(Format::kTsv, Encoding::kUtf8, text, walked.Query(text), &expected, &errors,
                        columns);
    }
    std::vector<std::string> args = FilterArgs("tsv", "utf-8");
    args.insert(args.end() - 1, {"--fields", fields});
    EXPECT_EQ(testing::RunProcess(kProgram, args, input).out, expected) << fields;
  }
}

TEST(Filter, AnyPrefixTextsAsOneAtATime) {
  std::vector<std::string> texts;
  for (int n = 0; n < 100000; n += 37) {
    std::string segment = std::to_string(1300000 + n);
    texts.push_back("+86 " + segment.substr(0, 3) + "-" + segment.substr(3) + "-4567");
    texts.push_back("0086" + segment + "0000");
    texts.push_back(segment);
  }
  texts.insert(texts.end(), {"+8613", "1890123", "189 0123", "2890123", "", "--"});
  const WalkedByPrefix walked;
  std::string input, expected, operands_expected, errors;
  std::vector<std::string> operands = {"query",    "--directory", kBundled,
                                       "--format", "tsv",         "--any-prefix"};
  for (size_t i = 0; i < texts.size(); ++i) {
    input += texts[i] + "\n";
    std::string normalized = PrepareNumberText(texts[i]);
    QueryAnswer answer;
    if (SegmentOfDigits(normalized) != 0) answer = walked.QueryDigits(normalized);
    cli::FormatAnswer(Format::kTsv, Encoding::kUtf8, texts[i], answer, &expected, &errors);
    if (i % 10 == 0 && !texts[i].empty()) {
      operands.push_back(texts[i]);
      cli::FormatAnswer(Format::kTsv, Encoding::kUtf8, texts[i], answer, &operands_expected,
                        &errors);
    }
  }
  std::vector<std::string> args = {"query", "--directory",  kBundled, "--format",
                                   "tsv",   "--any-prefix", "-"};
  EXPECT_EQ(testing::RunProcess(kProgram, args, input).out, expected);
  // The same texts given as operands, one query each.
  EXPECT_EQ(testing::RunProcess(kProgram, operands).out, operands_expected);
}

std::string ExpectedLine(const std::string& text) {
  std::string line, errors;
  cli::FormatAnswer(Format::kTsv, Encoding::kUtf8, text, QueryNumber(WalkedBundled(), text), &line,
                    &errors);
  return line;
}

TEST(Filter, AnswersEachLineBeforeTheNextArrives) {
  // The writer waits for each answer before it sends the next line: a filter that held its
  // answers until more input or the end came would never answer.
  for (const char* format : {"tsv", "json"}) {
    SCOPED_TRACE(format);
    testing::PipedChild child(kProgram, FilterArgs(format, "utf-8"));
    ASSERT_TRUE(child.started());
    const char* pieces[] = {"1390123\n", "1300000\r\n", "13", "20000\n", "1399999\n", "abc\n"};
    size_t lines = 0;
    for (const char* piece : pieces) {
      ASSERT_TRUE(child.Write(piece));
      if (std::string_view(piece).back() != '\n') continue;
      ASSERT_TRUE(child.WaitForLines(++lines, kPatienceMs)) << "no answer to " << piece;
    }
    EXPECT_EQ(child.Finish(), 1);
    if (std::string_view(format) == "tsv") {
      EXPECT_EQ(child.output(), ExpectedLine("1390123") + ExpectedLine("1300000") +
                                    ExpectedLine("1320000") + ExpectedLine("1399999") +
                                    ExpectedLine("abc"));
    }
  }
}

TEST(Filter, LinesLongerThanFourKibibytesAreInvalid) {
  const std::string head = "1390123";
  auto padded = [&](size_t length) { return head + std::string(length - head.size(), 'x'); };
  const std::string invalid_tail = "\tinvalid\t\t\t\t\t";
  struct Case {
    const char* what;
    std::string input;
    std::vector<std::string> lines;
  };
  const std::string ok4096 = ExpectedLine(padded(4096));
  const Case cases[] = {
      {"4096 bytes", padded(4096) + "\n", {ok4096.substr(0, ok4096.size() - 1)}},
      {"4096 bytes and CR LF", padded(4096) + "\r\n", {ok4096.substr(0, ok4096.size() - 1)}},
      {"4097 bytes",
       padded(4097) + "\n1300000\n",
       {padded(4096) + invalid_tail, Lines(ExpectedLine("1300000"))[0]}},
      {"4097 bytes at the end without LF", padded(4097), {padded(4096) + invalid_tail}},
      {"4 MiB",
       padded(4 << 20) + "\n1300000\n",
       {padded(4096) + invalid_tail, Lines(ExpectedLine("1300000"))[0]}},
      {"long lines in a row",
       padded(5000) + "\n" + padded(70000) + "\n" + padded(4096) + "\n",
       {padded(4096) + invalid_tail, padded(4096) + invalid_tail,
        ok4096.substr(0, ok4096.size() - 1)}},
  };
  for (const Case& c : cases) {
    testing::ProcessResult r = testing::RunProcess(kProgram, FilterArgs("tsv", "utf-8"), c.input);
    EXPECT_EQ(Lines(r.out), c.lines) << c.what;
  }
}

TEST(Filter, AnEndlessLineIsNotHeldInMemory) {
  auto peak = [](size_t line_bytes) {
    testing::PipedChild child(kProgram, FilterArgs("tsv", "utf-8"));
    std::string chunk(1 << 20, '7');
    chunk.replace(0, 7, "1390123");
    for (size_t sent = 0; sent < line_bytes; sent += chunk.size()) {
      if (!child.Write(chunk)) break;
      chunk.assign(chunk.size(), '7');
    }
    child.Write("\n1300000\n");
    long peak_kib = 0;
    child.Finish(&peak_kib);
    EXPECT_EQ(Lines(child.output()).size(), 2u);
    return peak_kib;
  };
  long small = peak(1 << 20);
  long large = peak(size_t{96} << 20);
  // Holding the line would take 96 MiB more; reading it in chunks takes nothing more.
  EXPECT_LT(large - small, 16 * 1024) << small << " KiB against " << large << " KiB";
}

}  // namespace
}  // namespace korvalind
