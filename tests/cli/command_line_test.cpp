// End-to-end runs of the built korvalind program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/rc2_paths.h"
#include "korvalind_version.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;
using testing::WriteFile;

const std::string kProgram = KORVALIND_BINARY;
const std::string kBundled = KORVALIND_BUNDLED_DIRECTORY;

testing::ProcessResult Korvalind(const std::vector<std::string>& args,
                                 const std::string& input = "", const std::string& cwd = "") {
  return RunProcess(kProgram, args, input, cwd);
}

// A data folder holding the worked inputs: places 河北 and 石家庄, one zone, one row.
void WriteSmallData(const TempDir& dir) {
  WriteFile(dir.File("city"),
            "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n\xca\xaf\xbc\xd2\xd7\xaf\r\n");
  WriteFile(dir.File("areacode"),
            "'\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','050000','0311')\r\n");
  WriteFile(dir.File("simcard2.sql"),
            "INSERT INTO `simcard` VALUES\r\n"
            "(7,'1390123','\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','1','0311');\r\n");
}

TEST(CommandLine, QueryFormatsAndExitCodes) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string out;
    std::string err_contains;
  };
  const std::vector<Case> cases = {
      {{"query", "--directory", kBundled, "1390123"},
       0,
       "省份: 北京\n城市: 北京\nSIM 卡类型: 移动全球通\n运营商: 中国移动\n长途区号: 010\n"
       "邮政编码: 100000\n",
       ""},
      // 199 is in the number plan but not in the bundled directory.
      {{"query", "--directory", kBundled, "--format", "json", "19912345678"},
       1,
       "{\"text\":\"19912345678\",\"status\":\"not-found\",\"province\":\"\",\"city\":\"\","
       "\"simType\":\"\",\"carrier\":\"中国电信\",\"carrierId\":\"china-telecom\","
       "\"service\":\"mobile\",\"areaCode\":\"\",\"postCode\":\"\"}\n",
       ""},
      {{"query", "--directory", kBundled, "--format", "tsv", "1300000", "1220000"},
       1,
       "1300000\tok\t山东\t济南\t联通130卡\t0531\t250000\n1220000\tinvalid\t\t\t\t\t\n",
       ""},
      // Prefixes the directory holds are accepted without options.
      {{"query", "--directory", kBundled, "--format", "tsv", "1860000", "1320000", "18900001234"},
       0,
       "1860000\tok\t北京\t北京\t联通130卡\t010\t100000\n"
       "1320000\tok\t上海\t上海\t联通130卡\t021\t200000\n"
       "18900001234\tok\t北京\t北京\t中国电信\t010\t100000\n",
       ""},
      {{"query", "--directory", kBundled, "--any-prefix", "--format", "tsv", "1890000"},
       0,
       "1890000\tok\t北京\t北京\t中国电信\t010\t100000\n",
       ""},
      {{"query", "--directory", kBundled, "--format", "json", "1390123"},
       0,
       "{\"text\":\"1390123\",\"status\":\"ok\",\"province\":\"北京\",\"city\":\"北京\","
       "\"simType\":\"移动全球通\",\"carrier\":\"中国移动\",\"carrierId\":\"china-mobile\","
       "\"service\":\"mobile\",\"areaCode\":\"010\",\"postCode\":\"100000\"}\n",
       ""},
      {{"query", "--directory", kBundled, "--format", "tsv", "--fields",
        "segment,status,kind,carrier,carrier_id,service", "1990000", "1860000"},
       1,
       "1990000\tnot-found\t\t中国电信\tchina-telecom\tmobile\n"
       "1860000\tok\t3\t中国联通\tchina-unicom\tmobile\n",
       ""},
      {{"query", "--directory", kBundled, "--format", "tsv", "--fields", "text,bogus", "1390123"},
       2,
       "",
       "unknown field \"bogus\""},
      {{"query", "--directory", kBundled, "--fields", "text", "1390123"}, 2, "", "--format tsv"},
      {{"query", "--directory", kBundled, "1220000"}, 1, "", "请输入合法的号码段!"},
      {{"query", "--directory", kBundled, "1000000"}, 1, "", "请输入合法的号码段!"},
      {{"query", "--directory", kBundled, "--format=tsv", "--any-prefix", "+86 159-0123-4567"},
       0,
       "+86 159-0123-4567\tok\t",
       ""},
      {{"query", "--directory", kBundled, "--encoding", "gbk", "--format", "tsv", "1390123"},
       0,
       "1390123\tok\t\xb1\xb1\xbe\xa9\t\xb1\xb1\xbe\xa9\t",
       ""},
      {{"query", "--directory", "/nonexistent/K.dat", "1390123"},
       2,
       "",
       "directory file \"/nonexistent/K.dat\" cannot be read"},
      {{"query", "--directory", kBundled}, 2, "", "at least one TEXT"},
      {{"query", "--format", "xml", "1390123"}, 2, "", "unknown format"},
      {{"query", "--bogus", "1390123"}, 2, "", "unknown option"},
      {{"frobnicate"}, 2, "", "unknown command"},
      {{}, 2, "", "usage"},
  };
  for (const Case& c : cases) {
    testing::ProcessResult r = Korvalind(c.args);
    std::string what = c.args.empty() ? "(none)" : c.args.back();
    EXPECT_EQ(r.exitCode, c.exit_code) << what << "\n" << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << what;
    if (c.out.empty()) {
      EXPECT_EQ(r.out, "") << what;
    }
    EXPECT_NE(r.err.find(c.err_contains), std::string::npos) << what << ": " << r.err;
  }
}

// Every segment of the bundled dump is answered without options, through the filter's index.
TEST(CommandLine, EverySegmentOfTheBundledDumpIsAnswered) {
  const std::string dump = ReadFile(KORVALIND_BUNDLED_DUMP);
  std::string texts;
  size_t rows = 0;
  for (size_t at = dump.find("\r\n("); at != std::string::npos; at = dump.find("\r\n(", at + 1)) {
    size_t quote = dump.find('\'', at);
    texts += dump.substr(quote + 1, 7) + "\n";
    ++rows;
  }
  ASSERT_EQ(rows, 321047u);
  testing::ProcessResult r =
      Korvalind({"query", "--directory", kBundled, "--format", "tsv", "-"}, texts);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  size_t ok = 0;
  for (size_t at = r.out.find("\tok\t"); at != std::string::npos;
       at = r.out.find("\tok\t", at + 1)) {
    ++ok;
  }
  EXPECT_EQ(ok, rows);
}

// A directory with one segment of each kind: every output format shows each kind's label, from
// the walk (a few operands) and from the index (standard input).
TEST(CommandLine, EveryKindHasItsLabelInEveryFormat) {
  TempDir dir;
  WriteSmallData(dir);
  std::string rows = "INSERT INTO `simcard` VALUES\r\n";
  for (int kind = 0; kind < 8; ++kind) {
    rows += "(" + std::to_string(kind + 1) + ",'186000" + std::to_string(kind) +
            "','\xba\xd3\xb1\xb1','\xca\xaf\xbc\xd2\xd7\xaf','" + std::to_string(kind) +
            "','0311')" + (kind == 7 ? ";" : ",") + "\r\n";
  }
  WriteFile(dir.File("simcard2.sql"), rows);
  const std::string directory = dir.File("K.dat");
  ASSERT_EQ(Korvalind({"make-directory", "--data", dir.path(), "--output", directory}).exitCode, 0);
  const std::string labels[8] = {"",          "移动全球通",   "移动预付费",
                                 "联通130卡", "联通预付费卡", "联通CDMA卡（133）",
                                 "中国电信",  "中国广电"};
  for (int kind = 0; kind < 8; ++kind) {
    const std::string text = "186000" + std::to_string(kind);
    const std::string& label = labels[kind];
    testing::ProcessResult plain = Korvalind({"query", "--directory", directory, text});
    EXPECT_EQ(plain.exitCode, 0) << text << plain.err;
    EXPECT_NE(plain.out.find("SIM 卡类型: " + label + "\n"), std::string::npos) << plain.out;
    testing::ProcessResult tsv =
        Korvalind({"query", "--directory", directory, "--format", "tsv", "-"}, text + "\n");
    EXPECT_EQ(tsv.out, text + "\tok\t河北\t石家庄\t" + label + "\t0311\t050000\n");
    testing::ProcessResult json =
        Korvalind({"query", "--directory", directory, "--format", "json", "-"}, text + "\n");
    EXPECT_NE(json.out.find("\"simType\":\"" + label + "\""), std::string::npos) << json.out;
    testing::ProcessResult gbk = Korvalind(
        {"query", "--directory", directory, "--format", "tsv", "--encoding", "gbk", text});
    EXPECT_EQ(gbk.exitCode, 0);
  }
  // The labels of 6 and 7 in code page 936.
  EXPECT_NE(Korvalind({"query", "--directory", directory, "--encoding", "gbk", "--format", "tsv",
                       "1860006", "1860007"})
                .out.find("\xd6\xd0\xb9\xfa\xb5\xe7\xd0\xc5\t0311\t050000\n1860007\tok\t"),
            std::string::npos);
  // 186 is held here, 139 and 132 are not held but in the number plan; 122 is neither.
  testing::ProcessResult others = Korvalind({"query", "--directory", directory, "--format", "tsv",
                                             "1869999", "1390000", "1320000", "1220000"});
  EXPECT_EQ(others.out,
            "1869999\tnot-found\t\t\t\t\t\n1390000\tnot-found\t\t\t\t\t\n"
            "1320000\tnot-found\t\t\t\t\t\n1220000\tinvalid\t\t\t\t\t\n");
}

TEST(CommandLine, StandardInputIsAFilter) {
  testing::ProcessResult r = Korvalind({"query", "--directory", kBundled, "--format", "tsv", "-"},
                                       "1390123\r\n1390124x\n\nabc\n1300000");
  EXPECT_EQ(r.exitCode, 1);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf; (lf = r.out.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines.push_back(r.out.substr(start, lf - start));
  }
  ASSERT_EQ(lines.size(), 5u) << r.out;
  EXPECT_EQ(lines[0].substr(0, 11), "1390123\tok\t");
  EXPECT_EQ(lines[2], "\tinvalid\t\t\t\t\t");
  EXPECT_EQ(lines[3], "abc\tinvalid\t\t\t\t\t");
  EXPECT_EQ(lines[4].substr(0, 11), "1300000\tok\t");
}

// One empty line between answers, whether the texts come as operands or on standard input; a
// refused text adds no line, and nothing comes before the first answer.
TEST(CommandLine, TextAnswersAreKeptApartAlike) {
  const std::string beijing =
      "省份: 北京\n城市: 北京\nSIM 卡类型: 移动全球通\n运营商: 中国移动\n长途区号: 010\n"
      "邮政编码: 100000\n";
  const struct {
    std::vector<std::string> texts;
    std::string input;
    std::string out;
  } cases[] = {
      {{"1390123", "1220000", "1390123"}, "", beijing + "\n" + beijing},
      {{"-"}, "1390123\n1390123\n", beijing + "\n" + beijing},
      {{"-"}, "1220000\n1390123\n1220000\n1390123\n", beijing + "\n" + beijing},
      {{"1220000", "-", "1390123"}, "1390123\n", beijing + "\n" + beijing},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"query", "--directory", kBundled};
    args.insert(args.end(), c.texts.begin(), c.texts.end());
    testing::ProcessResult r = Korvalind(args, c.input);
    EXPECT_EQ(r.out, c.out) << c.texts.front() << " " << c.input;
  }
}

// Output that cannot be written is a failure, even for the usage and version texts.
TEST(CommandLine, HelpAndVersionIntoAFullDeviceFail) {
  for (const char* option : {"--help", "--version", "list --help", "query --help"}) {
    testing::ProcessResult r = RunProcess(
        "/bin/sh", {"-c", "exec \"$0\" " + std::string(option) + " > /dev/full", kProgram});
    EXPECT_EQ(r.exitCode, 2) << option;
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  }
}

// Every command describes itself, and the program says the one version the headers carry.
TEST(CommandLine, EveryCommandHasItsHelpAndTheVersionIsTheProjects) {
  for (const char* command : {"query", "info", "encipher", "decipher", "convert-areacodes",
                              "convert-segments", "build", "make-directory", "export", "list",
                              "diff", "import-phone-dat", "export-phone-dat", "serve"}) {
    testing::ProcessResult r = Korvalind({command, "--help"});
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_EQ(r.out.find(std::string("usage: korvalind ") + command + " "), 0u) << r.out;
  }
  // bench/compare names the RC2 path beside its figures from the second line.
  EXPECT_EQ(Korvalind({"--version"}).out, "korvalind " KORVALIND_VERSION_STRING "\nRC2 path: " +
                                              std::string(Rc2PathName(Rc2ActivePath())) + "\n");
}

TEST(CommandLine, InfoShowsTheSegmentCount) {
  testing::ProcessResult r = Korvalind({"info", "--directory", kBundled});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, kBundled + "\n手机号码段共计:321047 [2002-11-08]\n");
}

TEST(CommandLine, EncipherAndDecipherDefaultNames) {
  TempDir dir;
  WriteFile(dir.File("korvalind.dat"), "thirteen byte");
  EXPECT_EQ(Korvalind({"encipher"}, "", dir.path()).exitCode, 0);
  EXPECT_EQ(ReadFile(dir.File("11111")).size(), 16u);
  EXPECT_EQ(Korvalind({"decipher"}, "", dir.path()).exitCode, 0);
  EXPECT_EQ(ReadFile(dir.File("dd.TMP")), std::string("thirteen byte\0\0\0", 16));

  // Failures exit 1 and say why.
  testing::ProcessResult missing = Korvalind({"encipher", "absent", "out"}, "", dir.path());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("absent"), std::string::npos) << missing.err;
  EXPECT_FALSE(FileExists(dir.File("out")));
  WriteFile(dir.File("odd"), std::string(20, 'x'));
  testing::ProcessResult odd = Korvalind({"decipher", "odd", "odd.out"}, "", dir.path());
  EXPECT_EQ(odd.exitCode, 1);
  EXPECT_EQ(ReadFile(dir.File("odd.out")).size(), 16u);  // the whole blocks stay
  EXPECT_EQ(Korvalind({"encipher", "only-one"}, "", dir.path()).exitCode, 2);
}

TEST(CommandLine, MakeDirectoryOnASmallDataFolder) {
  TempDir dir;
  WriteSmallData(dir);
  std::string output = dir.File("out.dat");
  testing::ProcessResult made =
      Korvalind({"make-directory", "--data", dir.path(), "--output", output});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_NE(made.err.find("rows: 1"), std::string::npos) << made.err;
  EXPECT_EQ(ReadFile(output).size(), 64u);
  EXPECT_EQ(ReadFile(dir.File("Korvalind.dat")).size(), 58u);
  for (const char* name : {"zone", "binary", "output.txt", "offset"}) {
    EXPECT_TRUE(FileExists(dir.File(name))) << name;
  }
  testing::ProcessResult r =
      Korvalind({"query", "--directory", output, "--format", "tsv", "1390123", "1390124"});
  EXPECT_EQ(r.out,
            "1390123\tok\t河北\t石家庄\t移动全球通\t0311\t050000\n"
            "1390124\tnot-found\t\t\t\t\t\n");
}

TEST(CommandLine, SingleStepsThenEncipherGiveTheSameDirectory) {
  TempDir dir;
  WriteSmallData(dir);
  EXPECT_EQ(Korvalind({"convert-areacodes", "--data", dir.path()}).exitCode, 0);
  testing::ProcessResult segments = Korvalind({"convert-segments", "--data", dir.path()});
  EXPECT_EQ(segments.exitCode, 0);
  EXPECT_EQ(segments.out, "Finished!\n");
  EXPECT_EQ(Korvalind({"build", "--data", dir.path()}).exitCode, 0);
  ASSERT_EQ(Korvalind({"encipher", dir.File("Korvalind.dat"), dir.File("single.dat")}).exitCode, 0);
  ASSERT_EQ(
      Korvalind({"make-directory", "--data", dir.path(), "--output", dir.File("one.dat")}).exitCode,
      0);
  EXPECT_EQ(ReadFile(dir.File("single.dat")), ReadFile(dir.File("one.dat")));
}

TEST(CommandLine, MissingInputsWriteNothing) {
  for (const char* absent : {"city", "areacode", "simcard2.sql"}) {
    TempDir dir;
    WriteSmallData(dir);
    std::remove(dir.File(absent).c_str());
    testing::ProcessResult r =
        Korvalind({"make-directory", "--data", dir.path(), "--output", dir.File("out.dat")});
    EXPECT_EQ(r.exitCode, 2) << absent;
    EXPECT_NE(r.err.find(dir.File(absent)), std::string::npos) << r.err;
    for (const char* name :
         {"out.dat", "zone", "binary", "output.txt", "offset", "Korvalind.dat"}) {
      EXPECT_FALSE(FileExists(dir.File(name))) << absent << " missing, yet " << name;
    }
  }
}

// `list | head` and `diff | head`: the reader goes after one line; the writer ends quietly by
// SIGPIPE, as query and cat do, instead of "cannot write" and status 2.
TEST(CommandLine, ListingsEndQuietlyWhenTheirReaderGoes) {
  TempDir dir;
  WriteSmallData(dir);
  ASSERT_EQ(Korvalind({"make-directory", "--data", dir.path(), "--output", dir.File("small.dat")})
                .exitCode,
            0);
  for (const std::string command :
       {"list --directory \"$1\"", "diff \"$1\" \"$2\"", "query --directory \"$1\" -"}) {
    testing::ProcessResult r =
        RunProcess("/bin/bash", {"-c",
                                 "yes 1390123 2>/dev/null | \"$0\" " + command +
                                     " | head -n1 >/dev/null; echo ${PIPESTATUS[1]}",
                                 kProgram, kBundled, dir.File("small.dat")});
    EXPECT_EQ(r.out, "141\n") << command;
    EXPECT_EQ(r.err, "") << command;
  }
}

// A name holding an escape sequence (a phone.dat may bring one) never reaches the terminal
// whole: text and tsv show U+FFFD for each control byte, as they do for echoed texts.
TEST(CommandLine, ControlBytesInNamesAreReplacedInEveryListing) {
  TempDir dir;
  WriteSmallData(dir);
  ASSERT_EQ(Korvalind({"make-directory", "--data", dir.path(), "--output", dir.File("plain.dat")})
                .exitCode,
            0);
  const std::string escaped_city = "\x1b[2J\xca\xaf\xbc\xd2\xd7\xaf";  // ESC [2J 石家庄
  WriteFile(dir.File("city"), "\xb5\xd8\xc3\xfb\r\n\xba\xd3\xb1\xb1\r\n" + escaped_city + "\r\n");
  WriteFile(dir.File("areacode"), "'\xba\xd3\xb1\xb1','" + escaped_city + "','050000','0311')\r\n");
  WriteFile(dir.File("simcard2.sql"),
            "INSERT INTO `simcard` VALUES\r\n(7,'1390123','\xba\xd3\xb1\xb1','" + escaped_city +
                "','1','0311');\r\n");
  testing::ProcessResult made =
      Korvalind({"make-directory", "--data", dir.path(), "--output", dir.File("escaped.dat")});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string escaped = dir.File("escaped.dat");
  const std::string utf8 = "\xef\xbf\xbd[2J石家庄";
  const struct {
    std::vector<std::string> args;
    std::string shown;
  } runs[] = {
      {{"query", "--directory", escaped, "1390123"}, utf8},
      {{"query", "--directory", escaped, "--format", "tsv", "1390123"}, utf8},
      {{"query", "--directory", escaped, "--format", "tsv", "--encoding", "gbk", "1390123"},
       "?[2J\xca\xaf\xbc\xd2\xd7\xaf"},
      {{"list", "--directory", escaped, "--encoding", "utf-8"}, utf8},
      {{"list", "--directory", escaped, "--encoding", "utf-8", "--count"}, utf8},
      {{"diff", dir.File("plain.dat"), escaped, "--encoding", "utf-8"}, utf8},
  };
  for (const auto& run : runs) {
    testing::ProcessResult r = Korvalind(run.args);
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << run.args[0] << ": " << r.out;
    EXPECT_NE(r.out.find(run.shown), std::string::npos) << run.args[0] << ": " << r.out;
  }
  // A phone.dat its own import would refuse is not written (before, it was, with exit 0).
  testing::ProcessResult r =
      Korvalind({"export-phone-dat", "--directory", escaped, "--output", dir.File("phone.dat")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("holds the control byte 0x1b"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(dir.File("phone.dat")));
}

}  // namespace
}  // namespace korvalind
