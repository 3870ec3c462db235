// export, list, diff and the phone.dat commands of the built korvalind program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gbk.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;
using testing::WriteFile;

const std::string kProgram = KORVALIND_BINARY;
const std::string kBundled = KORVALIND_BUNDLED_DIRECTORY;

testing::ProcessResult Korvalind(const std::vector<std::string>& args) {
  return RunProcess(kProgram, args);
}

// A directory made from UTF-8 dumps (converted to GBK): place lines, area-code rows and segment
// rows "segment,province,city,kind". Returns its path.
std::string MakeDirectoryFrom(const TempDir& dir, const std::string& name,
                              const std::vector<std::string>& places,
                              const std::vector<std::string>& zones,
                              const std::vector<std::string>& segments) {
  const std::string data = dir.File(name + "-data");
  EXPECT_EQ(RunProcess("/bin/mkdir", {"-p", data}).exitCode, 0);
  std::string city = "heading\r\n", areacode, dump;
  for (const std::string& place : places) city += place + "\r\n";
  for (const std::string& zone : zones) areacode += zone + "\r\n";
  int id = 0;
  for (const std::string& row : segments) {
    std::string quoted = "'";
    for (char c : row) quoted += c == ',' ? std::string("','") : std::string(1, c);
    dump += "(" + std::to_string(++id) + "," + quoted + "','0'),\r\n";
  }
  WriteFile(data + "/city", Utf8ToGbk(city));
  WriteFile(data + "/areacode", Utf8ToGbk(areacode));
  WriteFile(data + "/simcard2.sql", Utf8ToGbk(dump));
  const std::string path = dir.File(name + ".dat");
  testing::ProcessResult made = Korvalind({"make-directory", "--data", data, "--output", path});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return path;
}

const std::vector<std::string> kPlaces = {"河北", "北京", "石家庄", "保定"};
const std::vector<std::string> kZones = {"'河北','石家庄','050000','0311')",
                                         "'河北','保定','071000','0312')",
                                         "'北京','北京','100000','010')"};

TEST(DataCommands, DiffShowsEveryKindOfChange) {
  TempDir dir;
  const std::string old_dat =
      MakeDirectoryFrom(dir, "old", kPlaces, kZones,
                        {"1390000,河北,石家庄,1", "1390001,河北,保定,1", "1390002,河北,石家庄,3",
                         "1390003,河北,保定,1", "1300000,北京,北京,1"});
  // The same answers from other bytes: places and rows in another order.
  const std::string same_dat =
      MakeDirectoryFrom(dir, "same", {"保定", "北京", "石家庄", "河北"}, kZones,
                        {"1300000,北京,北京,1", "1390003,河北,保定,1", "1390002,河北,石家庄,3",
                         "1390001,河北,保定,1", "1390000,河北,石家庄,1"});
  std::vector<std::string> new_zones = kZones;
  new_zones[1] = "'河北','保定','071001','0312')";
  const std::string new_dat =
      MakeDirectoryFrom(dir, "new", kPlaces, new_zones,
                        {"1390000,河北,石家庄,1", "1390001,河北,石家庄,1", "1390002,河北,石家庄,5",
                         "1390003,河北,保定,1", "1990000,北京,北京,7"});

  testing::ProcessResult r = Korvalind({"diff", old_dat, new_dat});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const std::vector<std::string> expected_lines = {
      "removed\t1300000\t北京\t北京\t移动全球通\t010\t100000\t1",
      "changed\t1390001\t河北\t保定\t移动全球通\t0312\t071000\t1\t河北\t石家庄\t移动全球通\t0311\t"
      "050000\t1",
      "changed\t1390002\t河北\t石家庄\t联通130卡\t0311\t050000\t3\t河北\t石家庄\t",
      "changed\t1390003\t河北\t保定\t移动全球通\t0312\t071000\t1\t河北\t保定\t移动全球通\t0312\t"
      "071001\t1",
      "added\t1990000\t北京\t北京\t",
      "summary\tadded=1\tremoved=1\tchanged=3\tunchanged=1"};
  size_t start = 0;
  for (const std::string& expected : expected_lines) {
    const size_t end = r.out.find('\n', start);
    ASSERT_NE(end, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(start, expected.size()), expected);
    start = end + 1;
  }
  EXPECT_EQ(start, r.out.size());

  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string out_contains;
  };
  const std::vector<Case> cases = {
      {{"diff", old_dat, same_dat}, 0, "summary\tadded=0\tremoved=0\tchanged=0\tunchanged=5\n"},
      {{"diff", kBundled, kBundled}, 0, "\tchanged=0\tunchanged=321047\n"},
      {{"diff", "--format", "json", old_dat, new_dat},
       1,
       "{\"change\":\"removed\",\"segment\":\"1300000\",\"old\":{\"province\":\"北京\""},
      {{"diff", "--format", "json", old_dat, old_dat},
       0,
       "{\"summary\":{\"added\":0,\"removed\":0,\"changed\":0,\"unchanged\":5}}\n"},
      {{"diff", old_dat, dir.File("absent.dat")}, 2, ""},
      {{"diff", old_dat}, 2, ""},
  };
  for (const Case& c : cases) {
    testing::ProcessResult run = Korvalind(c.args);
    EXPECT_EQ(run.exitCode, c.exit_code) << c.args.back() << run.err;
    EXPECT_NE(run.out.find(c.out_contains), std::string::npos) << run.out;
  }
}

TEST(DataCommands, ListFiltersAndCounts) {
  TempDir dir;
  const std::string dat =
      MakeDirectoryFrom(dir, "list", kPlaces, kZones,
                        {"1390002,河北,石家庄,3", "1390000,河北,石家庄,1", "1390001,河北,保定,1",
                         "1300000,北京,北京,1", "1390000,北京,北京,7"});
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"--province", "河北", "--kind", "1"},
       0,
       "1390000\t河北\t石家庄\t移动全球通\t0311\t050000\t1\t中国移动\tchina-mobile\tmobile\n"
       "1390001\t河北\t保定\t移动全球通\t0312\t071000\t1\t中国移动\tchina-mobile\tmobile\n"},
      {{"--city", "北京", "--format", "json"},
       0,
       "{\"segment\":\"1300000\",\"province\":\"北京\",\"city\":\"北京\",\"simType\":"
       "\"移动全球通\","
       "\"areaCode\":\"010\",\"postCode\":\"100000\",\"kind\":1,\"carrier\":\"中国联通\","
       "\"carrierId\":\"china-unicom\",\"service\":\"mobile\"}\n"},
      {{"--province", "河北", "--count"},
       0,
       "河北\t石家庄\t1\t1\n河北\t保定\t1\t1\n河北\t石家庄\t3\t1\n"},
      {{"--count", "--format", "json", "--kind", "3"},
       0,
       "{\"province\":\"河北\",\"city\":\"石家庄\",\"kind\":3,\"count\":1}\n"},
      {{"--province", "河"}, 1, ""},
      {{"--city", "石家庄", "--kind", "7"}, 1, ""},
      {{"--kind", "8"}, 2, ""},
      {{"--format", "text"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"list", "--directory", dat};
    args.insert(args.end(), c.args.begin(), c.args.end());
    testing::ProcessResult run = Korvalind(args);
    EXPECT_EQ(run.exitCode, c.exit_code) << c.args.front() << run.err;
    EXPECT_EQ(run.out, c.out) << c.args.front();
  }
}

TEST(DataCommands, BundledDirectoryThroughExportAndPhoneDat) {
  TempDir dir;
  testing::ProcessResult r =
      Korvalind({"export", "--directory", kBundled, "--data", dir.File("dumps")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Korvalind({"make-directory", "--data", dir.File("dumps"), "--output", dir.File("again.dat")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReadFile(dir.File("again.dat")) == ReadFile(kBundled));

  r = Korvalind({"export-phone-dat", "--directory", kBundled, "--output", dir.File("phone.dat")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Korvalind({"import-phone-dat", dir.File("phone.dat"), "--data", dir.File("imported")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Korvalind({"make-directory", "--data", dir.File("imported"), "--output", dir.File("p.dat")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The bundled directory has kinds 1, 3 and 6 only, which come back as they were.
  r = Korvalind({"diff", kBundled, dir.File("p.dat")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "summary\tadded=0\tremoved=0\tchanged=0\tunchanged=321047\n");

  WriteFile(dir.File("bad.dat"), std::string("2302\x09\x00\x00\x00", 8));
  r = Korvalind({"import-phone-dat", dir.File("bad.dat"), "--data", dir.File("bad")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("is damaged"), std::string::npos) << r.err;
  EXPECT_FALSE(testing::FileExists(dir.File("bad")));
  for (const char* command : {"export", "list", "diff", "import-phone-dat", "export-phone-dat"}) {
    r = Korvalind({command, "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.find(std::string("usage: korvalind ") + command), 0u) << r.out;
  }
}

}  // namespace
}  // namespace korvalind
