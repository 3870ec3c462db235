#include "tools/area_code_conversion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tools/place_list.h"
#include "tools_fixture.h"

namespace korvalind {
namespace {

using testing::FileExists;
using testing::kBeijing;
using testing::kHebei;
using testing::kShijiazhuang;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;

const std::string kBj = kBeijing;
const std::string kBeijingRow = "'" + kBj + "','" + kBj + "','100000','010')";
const std::string kBeijingZone = kBj + "," + kBj + ":100000,010";
const std::string kHebeiRow =
    "'" + std::string(kHebei) + "','" + kShijiazhuang + "','050000','0311')";
const std::string kHebeiZone = std::string(kHebei) + "," + kShijiazhuang + ":050000,0311";

class AreaCodeConversionTest : public testing::ToolsTest {};

TEST_F(AreaCodeConversionTest, FormatZoneLineCopiesFieldsUnchanged) {
  EXPECT_EQ(FormatZoneLine({kBj, kBj, "100000", "010"}), kBeijingZone);
  EXPECT_EQ(FormatZoneLine({"a,b", "c|d", "e:f", ""}), "a,b,c|d:e:f,");
  EXPECT_EQ(FormatZoneLine({}), ",:,");
}

TEST_F(AreaCodeConversionTest, ZoneFileAndZoneList) {
  struct Case {
    std::string what;
    std::string input;
    std::string zoneFile;
    std::vector<std::string> zoneList;
  } cases[] = {
      {"one row", kBeijingRow + "\r\n", kBeijingZone + "\r\n", {kBeijingZone}},
      {"LF only",
       kBeijingRow + "\n" + kHebeiRow + "\n",
       kBeijingZone + "\r\n" + kHebeiZone + "\r\n",
       {kBeijingZone, kHebeiZone}},
      {"third line empty stops",
       kBeijingRow + "\r\n" + kHebeiRow + "\r\n\r\n" + kBeijingRow,
       kBeijingZone + "\r\n" + kHebeiZone + "\r\n",
       {kBeijingZone, kHebeiZone}},
      {"first line empty", "\r\n" + kBeijingRow + "\r\n", "", {}},
      {"empty input", "", "", {}},
      {"last line without end",
       kBeijingRow + "\r\n" + kHebeiRow,
       kBeijingZone + "\r\n" + kHebeiZone + "\r\n",
       {kBeijingZone, kHebeiZone}},
      {"a line of blanks is converted", "  \r\n", ",:,\r\n", {",:,"}},
      {"a lone CR is part of the line", "'a','b','c','d')\r\r\n", "a,b:c,d\r\n", {"a,b:c,d"}},
  };
  for (const Case& c : cases) {
    ZoneList.ResetForTesting();
    WriteFile(dir_.File("areacode"), c.input);
    AreaCodeStats stats;
    Status status = ConvertAreaCodes(dir_.path(), &stats);
    ASSERT_TRUE(status.ok()) << c.what << ": " << status.message();
    EXPECT_EQ(ReadFile(dir_.File("zone")), c.zoneFile) << c.what;
    EXPECT_EQ(ZoneList.entries(), c.zoneList) << c.what;
    EXPECT_EQ(stats.zones, c.zoneList.size()) << c.what;
  }
}

TEST_F(AreaCodeConversionTest, TwiceInOneProcessDoublesTheListNotTheFile) {
  WriteFile(dir_.File("areacode"), kBeijingRow + "\r\n" + kHebeiRow + "\r\n");
  ASSERT_TRUE(ConvertAreaCodes(dir_.path()).ok());
  ASSERT_TRUE(ConvertAreaCodes(dir_.path()).ok());
  EXPECT_EQ(ReadFile(dir_.File("zone")), kBeijingZone + "\r\n" + kHebeiZone + "\r\n");
  EXPECT_EQ(ZoneList.entries(),
            (std::vector<std::string>{kBeijingZone, kHebeiZone, kBeijingZone, kHebeiZone}));
}

TEST_F(AreaCodeConversionTest, MissingInputWritesNothing) {
  ASSERT_FALSE(ConvertAreaCodes(dir_.path()).ok());
  EXPECT_FALSE(FileExists(dir_.File("zone")));

  WriteFile(dir_.File("zone"), "good zone file\r\n");
  ZoneList.Append("earlier");
  Status status = ConvertAreaCodes(dir_.path());
  EXPECT_EQ(status.code(), Status::Code::kNotFound);
  EXPECT_EQ(status.message(),
            "cannot open \"" + dir_.File("areacode") + "\": No such file or directory");
  EXPECT_EQ(ReadFile(dir_.File("zone")), "good zone file\r\n");
  EXPECT_EQ(ZoneList.entries(), std::vector<std::string>{"earlier"});
  EXPECT_EQ(Snapshot(dir_.path()).size(), 1u);  // no temporary file left behind
}

TEST_F(AreaCodeConversionTest, UnreadableInputIsAnErrorNamingIt) {
  ASSERT_EQ(::mkdir(dir_.File("areacode").c_str(), 0755), 0);
  Status status = ConvertAreaCodes(dir_.path());
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(dir_.File("areacode")), std::string::npos) << status.message();
  EXPECT_FALSE(FileExists(dir_.File("zone")));
}

}  // namespace
}  // namespace korvalind
