#include "tools/directory_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/place_list.h"
#include "tools_fixture.h"

namespace korvalind {
namespace {

using testing::Bytes;
using testing::FileExists;
using testing::kHebei;
using testing::kPlaceHeading;
using testing::kShijiazhuang;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;

const std::string kHb = kHebei;
const std::string kSjz = kShijiazhuang;
const std::string kPlaceNames = std::string(kPlaceHeading) + "\r\n" + kHb + "\r\n" + kSjz + "\r\n";
const std::string kZoneLine = kHb + "," + kSjz + ":050000,0311";  // 23 bytes
const std::string kRecord = Bytes({0x20, 0x39, 0x01, 0x23, 0x02, 0x00, 0x01, 0x00});

class DirectoryBuilderTest : public testing::ToolsTest {
 protected:
  void Inputs(const std::string& places, const std::string& zone, const std::string& records) {
    WriteFile(dir_.File("city"), places);
    WriteFile(dir_.File("zone"), zone);
    WriteFile(dir_.File("binary"), records);
  }
  std::string Built() { return ReadFile(dir_.File("Korvalind.dat")); }
};

TEST_F(DirectoryBuilderTest, BuiltImages) {
  struct Case {
    std::string what;
    std::string places, zone, records;
    std::string image;
  } cases[] = {
      // 12 + 24 = 36 table bytes; two empty zone entries bring zoneTableEnd to 38 = 4 * 8 + 6.
      {"worked inputs", kPlaceNames, kZoneLine + "\r\n", kRecord,
       kHb + "|" + kSjz + "|" + kZoneLine + "|||" + kRecord +
           Bytes({12, 0, 0, 0, 38, 0, 0, 0, 46, 0, 0, 0})},
      {"empty inputs", std::string(kPlaceHeading) + "\r\n", "", "",
       "||||||" + Bytes({0, 0, 0, 0, 6, 0, 0, 0, 6, 0, 0, 0})},
      {"empty place name takes an index", "h\r\n\r\nx\r\n", "", "",
       "|x||||" + Bytes({3, 0, 0, 0, 6, 0, 0, 0, 6, 0, 0, 0})},
      {"one byte of padding", "h\r\nab\r\n", "a,b:1,234\r\n", "",
       "ab|a,b:1,234||" + Bytes({3, 0, 0, 0, 14, 0, 0, 0, 14, 0, 0, 0})},
      {"no padding needed", "h\r\nabc\r\n", "a,b:1,234\r\n", kRecord,
       "abc|a,b:1,234|" + kRecord + Bytes({4, 0, 0, 0, 14, 0, 0, 0, 22, 0, 0, 0})},
      {"seven bytes of padding", "h\r\nabcdef\r\n", "", "",
       "abcdef|" + std::string(7, '|') + Bytes({7, 0, 0, 0, 14, 0, 0, 0, 14, 0, 0, 0})},
      {"empty zone lines are kept", "h\r\n", ",:,\r\n\r\n,:,", "",
       ",:,||,:,|" + std::string(5, '|') + Bytes({0, 0, 0, 0, 14, 0, 0, 0, 14, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
    Inputs(c.places, c.zone, c.records);
    Status status = BuildDirectory(dir_.path());
    ASSERT_TRUE(status.ok()) << c.what << ": " << status.message();
    EXPECT_EQ(Built(), c.image) << c.what;
    EXPECT_EQ(Built().size() % 8, 2u) << c.what;
  }
}

TEST_F(DirectoryBuilderTest, BarsInsideEntriesAreRefused) {
  // Written as they stand, "a|b" would become two places and shift every later index.
  const struct {
    const char* places;
    const char* zone;
  } cases[] = {{"h\r\na|b\r\n", ""}, {"h\r\n", "a,b:1,0|2\r\n"}};
  for (const auto& c : cases) {
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
    Inputs(c.places, c.zone, "");
    Status status = BuildDirectory(dir_.path());
    EXPECT_FALSE(status.ok()) << c.places << c.zone;
    EXPECT_NE(status.message().find("holds \"|\""), std::string::npos) << status.message();
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Korvalind.dat")));
    EXPECT_EQ(PlaceList.size(), 0u);
    EXPECT_EQ(ZoneList.size(), 0u);
  }
}

TEST_F(DirectoryBuilderTest, TwoBuildsInOneProcessRepeatTheTables) {
  Inputs(kPlaceNames, kZoneLine + "\r\n", kRecord);
  ImageStats stats;
  ASSERT_TRUE(BuildDirectory(dir_.path(), &stats).ok());
  EXPECT_EQ(Built().size(), 58u);
  EXPECT_EQ(stats.zonePadding, 2u);
  ASSERT_TRUE(BuildDirectory(dir_.path(), &stats).ok());
  // Places 24 bytes, zones 48: 72 = 9 * 8, so six empty entries follow.
  EXPECT_EQ(Built(), kHb + "|" + kSjz + "|" + kHb + "|" + kSjz + "|" + kZoneLine + "|" + kZoneLine +
                         "|" + "||||||" + kRecord + Bytes({24, 0, 0, 0, 78, 0, 0, 0, 86, 0, 0, 0}));
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{kHb, kSjz, kHb, kSjz}));
  EXPECT_EQ(ZoneList.entries(), (std::vector<std::string>{kZoneLine, kZoneLine}));
  EXPECT_EQ(stats.places, 4u);
  EXPECT_EQ(stats.zones, 2u);  // the padding is not in ZoneList
  EXPECT_EQ(stats.zonePadding, 6u);
  EXPECT_EQ(stats.records, 1u);
  EXPECT_EQ(stats.plainSize, 98u);
}

TEST_F(DirectoryBuilderTest, LoadZoneListAppendsEveryLine) {
  WriteFile(dir_.File("zone"), "a\r\n\r\nb\r\nc");
  ASSERT_TRUE(LoadZoneList(dir_.path()).ok());
  ASSERT_TRUE(LoadZoneList(dir_.path()).ok());
  EXPECT_EQ(ZoneList.entries(), (std::vector<std::string>{"a", "", "b", "c", "a", "", "b", "c"}));
}

TEST_F(DirectoryBuilderTest, BadInputsWriteNothing) {
  struct Case {
    const char* what;
    const char* missing;  // nullptr: all three present
    std::string records;
    Status::Code code;
    std::string message;
  } cases[] = {
      {"city missing", "city", kRecord, Status::Code::kNotFound, "No such file or directory"},
      {"zone missing", "zone", kRecord, Status::Code::kNotFound, "No such file or directory"},
      {"records missing", "binary", kRecord, Status::Code::kNotFound, "No such file or directory"},
      {"records cut short", nullptr, kRecord.substr(0, 7), Status::Code::kCorruption,
       "7 bytes) is not a multiple of 8"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    WriteFile(dir.File("city"), kPlaceNames);
    WriteFile(dir.File("zone"), kZoneLine + "\r\n");
    WriteFile(dir.File("binary"), c.records);
    WriteFile(dir.File("Korvalind.dat"), "good directory");
    if (c.missing != nullptr) {
      ASSERT_EQ(std::remove(dir.File(c.missing).c_str()), 0);
    }
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
    PlaceList.Append("p");
    ZoneList.Append("z");
    auto before = Snapshot(dir.path());
    Status status = BuildDirectory(dir.path());
    EXPECT_EQ(status.code(), c.code) << c.what;
    const std::string named = c.missing != nullptr ? c.missing : "binary";
    EXPECT_NE(status.message().find("\"" + dir.File(named) + "\""), std::string::npos)
        << status.message();
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
    EXPECT_EQ(Snapshot(dir.path()), before) << c.what;
    EXPECT_EQ(PlaceList.entries(), std::vector<std::string>{"p"}) << c.what;
    EXPECT_EQ(ZoneList.entries(), std::vector<std::string>{"z"}) << c.what;
  }
}

TEST_F(DirectoryBuilderTest, OutputThatCannotBeWrittenLeavesTheListsAlone) {
  Inputs(kPlaceNames, kZoneLine + "\r\n", kRecord);
  ASSERT_EQ(::mkdir(dir_.File("Korvalind.dat").c_str(), 0755), 0);
  Status status = BuildDirectory(dir_.path());
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(dir_.File("Korvalind.dat")), std::string::npos)
      << status.message();
  EXPECT_TRUE(PlaceList.empty());
  EXPECT_TRUE(ZoneList.empty());
}

}  // namespace
}  // namespace korvalind
