// Dumps whose names hold the byte that ends a table entry, "|" (0x7C). Written as they stand,
// such a name splits into two entries and every later place index names the wrong place (a
// city after it answers with the name before it), or a zone answers with a cut area code. The
// pipeline must refuse them, say why, and write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ChildResult;
using testing::FolderSnapshot;
using testing::RunChild;
using testing::TempDir;
using testing::WriteFile;

const std::string kHebei = "\xba\xd3\xb1\xb1";                 // 河北
const std::string kShijiazhuang = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
const std::string kBaoding = "\xb1\xa3\xb6\xa8";               // 保定

std::string Row(int id, const std::string& segment, const std::string& province,
                const std::string& city, const std::string& kind) {
  return "(" + std::to_string(id) + ",'" + segment + "','" + province + "','" + city + "','" +
         kind + "','0311'),\r\n";
}

TEST(BadDump, NamesHoldingTheEntryTerminatorAreRefused) {
  struct Case {
    const char* what;
    std::string city;      // the place-name file
    std::string areacode;  // the area-code dump
    std::string dump;      // the segment dump
  };
  const std::string places = "heading\r\n" + kHebei + "\r\n" + kShijiazhuang + "\r\n";
  const std::string zones = "'" + kHebei + "','" + kShijiazhuang + "','050000','0311')\r\n'" +
                            kHebei + "','" + kBaoding + "','071000','0312')\r\n";
  const std::string rows =
      Row(1, "1390123", kHebei, kShijiazhuang, "1") + Row(2, "1300000", kHebei, kBaoding, "3");
  const std::vector<Case> cases = {
      {"a city the dump adds", places, zones, Row(1, "1390124", kHebei, "A|B", "1") + rows},
      {"a name in the place-name file", places + "X|Y\r\n", zones, rows},
      {"an area code", places, "'" + kHebei + "','" + kShijiazhuang + "','050000','03|11')\r\n",
       rows},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string data = dir.File("data");
    std::filesystem::create_directory(data);
    WriteFile(data + "/city", c.city);
    WriteFile(data + "/areacode", c.areacode);
    WriteFile(data + "/simcard2.sql", c.dump);
    const std::vector<std::string> before = FolderSnapshot(data);
    const std::string output = dir.File("Korvalind.dat");
    ChildResult r = RunChild({"make-directory", "--data", data, "--output", output});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find('|'), std::string::npos) << r.err;
    EXPECT_EQ(FolderSnapshot(data), before);
    EXPECT_FALSE(testing::FileExists(output));
    if (r.exitCode == 0) {
      // What the directory answers instead: 1300000 is in 保定.
      ChildResult answer = RunChild({"query", "--directory", output, "--format", "tsv", "1300000"});
      ADD_FAILURE() << "made anyway; 1300000 answers: " << answer.out;
    }
  }
}

}  // namespace
}  // namespace korvalind
