// Bytes no one should type, given to the command line as arguments and as standard input: no
// crash, the answer "invalid" for every text that is not a segment, and output that stays valid
// UTF-8 (what does not convert is replaced).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "fault/fault_support.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::BundledDirectoryPath;
using testing::ChildOptions;
using testing::ChildResult;
using testing::RunChild;
using testing::TempDir;
using testing::WriteFile;

const std::string kFffd = "\xef\xbf\xbd";  // U+FFFD
// Linux refuses a single argument of 32 pages or more (MAX_ARG_STRLEN), NUL included.
constexpr size_t kLongestArgument = 128 * 1024 - 1;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  LineCursor cursor(text);
  for (std::string_view line; cursor.Next(&line);) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

TEST(BadInput, ArgumentsAnsweredAndEchoedAsValidUtf8) {
  struct Case {
    const char* what;
    std::vector<std::string> flags;
    std::string text;
    std::string echo;  // the text as the tsv line gives it back
    std::string status;
  };
  const std::string long_segment = "1390123" + std::string(kLongestArgument - 7, '9');
  const std::string long_junk(kLongestArgument, '\xff');
  std::string long_junk_echo;
  for (size_t i = 0; i < kLongestArgument; ++i) long_junk_echo += kFffd;
  const std::vector<Case> cases = {
      {"not UTF-8", {}, "\xff\xfe", kFffd + kFffd, "invalid"},
      {"lone GBK lead byte", {}, "\x81", kFffd, "invalid"},
      {"lead byte among digits",
       {},
       "13\x81"
       "0123",
       "13" + kFffd + "0123",
       "invalid"},
      {"junk after a segment", {}, "1390123\xff", "1390123" + kFffd, "ok"},
      {"cut UTF-8 after a segment", {}, "1390123\xe5\x8c", "1390123" + kFffd + kFffd, "ok"},
      {"full-width digits",
       {},
       "\xef\xbc\x91\xef\xbc\x93\xef\xbc\x99"
       "0123",
       "\xef\xbc\x91\xef\xbc\x93\xef\xbc\x99"
       "0123",
       "invalid"},
      {"GBK full-width blank",
       {},
       "139\xa1\xa1"
       "23",
       "139" + kFffd + kFffd + "23",
       "invalid"},
      {"UTF-16 surrogate", {}, "\xed\xa0\x80", kFffd + kFffd + kFffd, "invalid"},
      {"overlong slash", {}, "\xc0\xaf", kFffd + kFffd, "invalid"},
      {"empty", {}, "", "", "invalid"},
      {"leading tab", {}, "\t1390123", " 1390123", "invalid"},
      {"line end inside", {}, "1390123\r\n", "1390123  ", "ok"},
      {"longest argument, a segment", {}, long_segment, long_segment, "ok"},
      {"longest argument, junk", {}, long_junk, long_junk_echo, "invalid"},
      {"any prefix, junk inside",
       {"--any-prefix"},
       "+86\xff"
       "1390123",
       "+86" + kFffd + "1390123",
       "invalid"},
      {"any prefix, junk after",
       {"--any-prefix"},
       "+86 139-0123-4567\x81",
       "+86 139-0123-4567" + kFffd,
       "ok"},
      {"any prefix, lone lead", {"--any-prefix"}, "\x81", kFffd, "invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"query", "--directory", BundledDirectoryPath(), "--format",
                                     "tsv"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    args.push_back("--");
    args.push_back(c.text);
    ChildResult r = RunChild(args);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, c.status == "ok" ? 0 : 1) << r.err;
    EXPECT_EQ(ValidUtf8(r.out), r.out);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    std::vector<std::string> fields = Fields(lines[0]);
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_TRUE(fields[0] == c.echo) << "echo of " << fields[0].size() << " bytes";
    EXPECT_EQ(fields[1], c.status);
  }
}

// Standard input: NULs inside lines, a line of 1 MiB, lone lead bytes, bare CRs. One answer per
// line, in order.
TEST(BadInput, StandardInputLinesAnsweredInOrder) {
  struct Line {
    std::string bytes;
    std::string status;
  };
  const std::vector<Line> input = {
      {std::string("139\0", 4), "invalid"},
      {std::string("1390123\0tail", 12), "ok"},
      {std::string(7, '\0'), "invalid"},
      {"\x81", "invalid"},
      {"\r", "invalid"},
      {"1390123" + std::string(1 << 20, 'x'), "invalid"},  // longer than a line may be
      {"1390123\r", "ok"},
      {"\xff\xff\xff\xff\xff\xff\xff\xff", "invalid"},
      {"1300000", "ok"},  // the last line, without a line end
  };
  TempDir dir;
  std::string bytes;
  for (const Line& line : input) bytes += line.bytes + "\n";
  bytes.pop_back();
  WriteFile(dir.File("in"), bytes);
  for (const char* format : {"tsv", "json"}) {
    SCOPED_TRACE(format);
    ChildOptions options;
    options.stdin_path = dir.File("in");
    ChildResult r = RunChild(
        {"query", "--directory", BundledDirectoryPath(), "--format", format, "-"}, options);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ValidUtf8(r.out), r.out);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), input.size());
    for (size_t i = 0; i < input.size(); ++i) {
      if (std::string(format) == "tsv") {
        EXPECT_EQ(Fields(lines[i]).at(1), input[i].status) << "line " << i;
      } else {
        EXPECT_NE(lines[i].find("\"status\":\"" + input[i].status + "\""), std::string::npos)
            << "line " << i;
        EXPECT_EQ(lines[i].find('\0'), std::string::npos) << "raw NUL in JSON, line " << i;
      }
    }
  }
}

// An argument of 1 MiB cannot pass execve on Linux; the query command gets one in process.
TEST(BadInput, MebibyteOperandInProcess) {
  struct Case {
    std::string text;
    int exit_code;
    std::string status;
  };
  const std::vector<Case> cases = {
      {"1390123" + std::string(1 << 20, '\xff'), cli::kExitOk, "ok"},
      {std::string(1 << 20, '\x81'), cli::kExitFailed, "invalid"},
      {std::string(1 << 20, '\0'), cli::kExitFailed, "invalid"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    cli::Arguments args;
    args.command = "query";
    args.values = {{"directory", BundledDirectoryPath()}, {"format", "tsv"}};
    args.operands = {c.text};
    int out = ::open(dir.File("out").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);
    int saved = ::dup(STDOUT_FILENO);
    ::dup2(out, STDOUT_FILENO);
    int exit_code = cli::RunQuery(args);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(out);
    EXPECT_EQ(exit_code, c.exit_code);
    std::string answer = testing::ReadFile(dir.File("out"));
    EXPECT_EQ(ValidUtf8(answer), answer);
    std::vector<std::string> lines = Lines(answer);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Fields(lines[0]).at(1), c.status);
  }
}

// Conversions at the edges replace what does not convert and keep everything else.
TEST(BadInput, ConversionsReplaceWhatDoesNotConvert) {
  struct Case {
    std::string gbk;
    std::string utf8;
  };
  // Expected texts checked against an independent GBK codec.
  const std::vector<Case> to_utf8 = {
      {"\xba\xd3\xb1\xb1", "\xe6\xb2\xb3\xe5\x8c\x97"},  // 河北
      {"\x81\x40", "\xe4\xb8\x82"},                      // 丂, the first GBK character
      {"\x81", kFffd},
      {"\xff", kFffd},
      {"A\xba", "A" + kFffd},
      {"\xba\xd3\x81", "\xe6\xb2\xb3" + kFffd},
      {std::string("\0\xba\xd3", 3), std::string("\0\xe6\xb2\xb3", 4)},
  };
  for (const Case& c : to_utf8) EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.gbk;
  const std::vector<Case> to_gbk = {
      {"\xba\xd3\xb1\xb1", "\xe6\xb2\xb3\xe5\x8c\x97"},
      {"?", "\xff"},
      {"?", "\xf0\x9f\x98\x80"},  // U+1F600 has no GBK form: one "?"
      {"??", "\xe6\xb2"},         // a cut character: one "?" per byte
      {"A??B",
       "A\xc0\xaf"
       "B"},
  };
  for (const Case& c : to_gbk) EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
}

}  // namespace
}  // namespace korvalind
