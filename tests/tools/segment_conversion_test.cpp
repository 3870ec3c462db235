#include "tools/segment_conversion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/place_list.h"
#include "tools_fixture.h"

namespace korvalind {
namespace {

using testing::Bytes;
using testing::FileExists;
using testing::kBaoding;
using testing::kHebei;
using testing::kJing;
using testing::kPlaceHeading;
using testing::kShijiazhuang;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;

const std::string kHb = kHebei;
const std::string kSjz = kShijiazhuang;
const std::string kBd = kBaoding;
const std::string kPlaceNames = std::string(kPlaceHeading) + "\r\n" + kHb + "\r\n" + kSjz + "\r\n";
const std::string kDumpHead = "-- segment table dump\r\nINSERT INTO `simcard` VALUES\r\n";

std::string Row(int id, const std::string& segment, const std::string& province,
                const std::string& city, const std::string& kind) {
  return "(" + std::to_string(id) + ",'" + segment + "','" + province + "','" + city + "','" +
         kind + "','0311'),\r\n";
}

std::string Core(const std::string& segment, const std::string& province, const std::string& city,
                 const std::string& kind) {
  return "'" + segment + "','" + province + "','" + city + "','" + kind + "'\r";
}

std::string RecordBytes(const SegmentRecord& record) {
  return std::string(record.bytes.begin(), record.bytes.end());
}

class SegmentConversionTest : public testing::ToolsTest {
 protected:
  Status Run(const std::string& places, const std::string& dump, SegmentStats* stats = nullptr) {
    WriteFile(dir_.File("city"), places);
    WriteFile(dir_.File("simcard2.sql"), dump);
    return ConvertSegments(dir_.path(), nullptr, stats);
  }
};

TEST_F(SegmentConversionTest, WorkedRow) {
  SegmentStats stats;
  Status status = Run(
      kPlaceNames, kDumpHead + "(7,'1390123','" + kHb + "','" + kSjz + "','1','2002')\r\n", &stats);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(ReadFile(dir_.File("binary")), Bytes({0x20, 0x39, 0x01, 0x23, 0x02, 0x00, 0x01, 0x00}));
  EXPECT_EQ(ReadFile(dir_.File("output.txt")), Core("1390123", kHb, kSjz, "1"));
  EXPECT_EQ(ReadFile(dir_.File("offset")), "");
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{kHb, kSjz}));
  EXPECT_EQ(stats.rows, 1u);
  EXPECT_EQ(stats.newCities, 0u);
  EXPECT_EQ(stats.places, 2u);
}

TEST_F(SegmentConversionTest, NewCitiesAreAppendedOnceShortOnesNever) {
  std::string dump = kDumpHead + Row(1, "1390001", kHb, kBd, "1") +
                     Row(2, "1390002", kHb, kSjz, "1") + Row(3, "1390003", kHb, kBd, "5") +
                     Row(4, "1390004", kHb, kJing, "3") + Row(5, "1390005", kHb, "", "1") +
                     Row(6, "1390006", "ab", "abc", "2");
  SegmentStats stats;
  ASSERT_TRUE(Run(kPlaceNames, dump, &stats).ok());
  // 保定 takes place 3 on its first row; "ab" is no listed province; "abc" (3 bytes) is new.
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{kHb, kSjz, kBd, "abc"}));
  EXPECT_EQ(ReadFile(dir_.File("binary")),
            Bytes({0x20, 0x39, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00,  //
                   0x20, 0x39, 0x00, 0x02, 0x02, 0x00, 0x01, 0x00,  //
                   0xA0, 0x39, 0x00, 0x03, 0x03, 0x00, 0x01, 0x00,  //
                   0x60, 0x39, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00,  //
                   0x20, 0x39, 0x00, 0x05, 0x00, 0x00, 0x01, 0x00,  //
                   0x40, 0x39, 0x00, 0x06, 0x04, 0x00, 0x00, 0x00}));
  EXPECT_EQ(stats.rows, 6u);
  EXPECT_EQ(stats.newCities, 2u);
  EXPECT_EQ(stats.places, 4u);
}

TEST_F(SegmentConversionTest, ListingSkipsLinesThatAreNotRows) {
  std::string dump = kDumpHead + Row(1, "1390001", kHb, kSjz, "1") + "\r\n" + " (2,'x')\r\n" +
                     Row(2, "1390002", kHb, kSjz, "3") + "(3,'1390003','" + kHb + "','" + kSjz +
                     "','5','0311');";  // the last line has no line end
  ASSERT_TRUE(Run(kPlaceNames, dump).ok());
  EXPECT_EQ(ReadFile(dir_.File("output.txt")), Core("1390001", kHb, kSjz, "1") +
                                                   Core("1390002", kHb, kSjz, "3") +
                                                   Core("1390003", kHb, kSjz, "5"));
  EXPECT_EQ(ReadFile(dir_.File("binary")).size(), 24u);
}

TEST_F(SegmentConversionTest, DumpWithoutRowsLeavesEmptyOutputs) {
  WriteFile(dir_.File("binary"), "old records");
  WriteFile(dir_.File("output.txt"), "old listing");
  WriteFile(dir_.File("offset"), "old offset");
  SegmentStats stats;
  ASSERT_TRUE(Run(kPlaceNames, kDumpHead, &stats).ok());
  for (const char* name : {"binary", "output.txt", "offset"}) {
    EXPECT_EQ(ReadFile(dir_.File(name)), "") << name;
  }
  EXPECT_EQ(stats.rows, 0u);
}

TEST_F(SegmentConversionTest, PlaceNameFileWithOnlyItsHeading) {
  ASSERT_TRUE(
      Run(std::string(kPlaceHeading) + "\r\n", kDumpHead + Row(1, "1390001", kHb, kJing, "1"))
          .ok());
  EXPECT_TRUE(PlaceList.empty());
  EXPECT_EQ(ReadFile(dir_.File("binary")), Bytes({0x20, 0x39, 0x00, 0x01, 0, 0, 0, 0}));
}

TEST_F(SegmentConversionTest, PlaceNamesAreTakenAsRead) {
  // Heading without a line end is skipped; then an empty name, a name with a trailing blank and
  // a last line without its end.
  AppendPlaceNames("heading\r\n\r\nx \r\ny");
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{"", "x ", "y"}));
  AppendPlaceNames("heading only");
  AppendPlaceNames("");
  EXPECT_EQ(PlaceList.size(), 3u);
}

TEST_F(SegmentConversionTest, TwiceInOneProcessGivesTheSameRecords) {
  std::string dump =
      kDumpHead + Row(1, "1390001", kHb, kBd, "1") + Row(2, "1390002", kHb, kSjz, "3");
  ASSERT_TRUE(Run(kPlaceNames, dump).ok());
  std::string first = ReadFile(dir_.File("binary"));
  ASSERT_TRUE(Run(kPlaceNames, dump).ok());
  EXPECT_EQ(ReadFile(dir_.File("binary")), first);
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{kHb, kSjz, kBd, kHb, kSjz}));
}

TEST_F(SegmentConversionTest, KindDigit) {
  struct Case {
    std::string kindDigit;
    int kind;
  } cases[] = {{"9", 1},    {"12", 4}, {"x", 0},  {"-1", 7},  {"1", 1},  {"5", 5},  {"", 0},
               {" \t3", 3}, {"+2", 2}, {"5x", 5}, {"- 1", 0}, {"-9", 7}, {"0x7", 0}};
  for (const Case& c : cases) {
    SegmentRecord record;
    record.bytes.fill(0xFF);
    MakeSegmentRecord({"1390123", "", "", c.kindDigit}, &record);
    EXPECT_EQ(record.bytes[0], c.kind << 5) << "'" << c.kindDigit << "'";
  }
}

TEST_F(SegmentConversionTest, KindDigitAgreesWithTheCLibrary) {
  const char* texts[] = {"7",
                         "8",
                         "-8",
                         "  -15",
                         "1234567",
                         "-1234567",
                         "99999999999999999999",
                         "-99999999999999999999",
                         "9223372036854775807",
                         "9223372036854775808",
                         "-9223372036854775808",
                         "\v+6",
                         "\n-3x"};
  for (const char* text : texts) {
    SegmentRecord record;
    MakeSegmentRecord({"1390123", "", "", text}, &record);
    unsigned long expected = static_cast<unsigned long>(std::strtol(text, nullptr, 10)) & 7u;
    EXPECT_EQ(record.kind(), static_cast<int>(expected)) << text;
  }
}

TEST_F(SegmentConversionTest, SegmentKey) {
  struct Case {
    std::string segment;
    std::string keyBytes;  // bytes 1 to 3
  } cases[] = {
      {"1390123", Bytes({0x39, 0x01, 0x23})},
      {"91390123", Bytes({0x39, 0x01, 0x23})},
      {"12345", Bytes({0x12, 0x34, 0x50})},
      {"123", Bytes({0x12, 0x30, 0x00})},
      {"", Bytes({0, 0, 0})},
      {"1999999", Bytes({0x99, 0x99, 0x99})},
  };
  for (const Case& c : cases) {
    SegmentRecord record;
    record.bytes.fill(0xFF);
    MakeSegmentRecord({c.segment, "", "", "1"}, &record);
    EXPECT_EQ(RecordBytes(record), Bytes({0x20}) + c.keyBytes + Bytes({0, 0, 0, 0})) << c.segment;
  }
}

TEST_F(SegmentConversionTest, ConvertSegmentRowOnItsOwn) {
  AppendPlaceNames(kPlaceNames);
  std::string records = "x";
  Status status;
  EXPECT_EQ(ConvertSegmentRow("INSERT INTO `simcard` VALUES", &records, &status), "");
  EXPECT_EQ(
      ConvertSegmentRow("(1,'1390123','" + kHb + "','" + kSjz + "','1','2002')", &records, &status),
      Core("1390123", kHb, kSjz, "1"));
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(records, "x" + Bytes({0x20, 0x39, 0x01, 0x23, 0x02, 0x00, 0x01, 0x00}));
}

TEST_F(SegmentConversionTest, MissingInputsWriteNothing) {
  const std::string dump = kDumpHead + Row(1, "1390001", kHb, kBd, "1");
  struct Case {
    const char* missing;
    const char* present;
    std::string content;
  } cases[] = {{"simcard2.sql", "city", kPlaceNames}, {"city", "simcard2.sql", dump}};
  for (const Case& c : cases) {
    testing::TempDir dir;
    WriteFile(dir.File(c.present), c.content);
    WriteFile(dir.File("binary"), "good records");
    WriteFile(dir.File("output.txt"), "good listing");
    PlaceList.ResetForTesting();
    PlaceList.Append("earlier");
    auto before = Snapshot(dir.path());
    Status status = ConvertSegments(dir.path());
    EXPECT_EQ(status.code(), Status::Code::kNotFound) << c.missing;
    EXPECT_EQ(status.message(),
              "cannot open \"" + dir.File(c.missing) + "\": No such file or directory");
    EXPECT_EQ(Snapshot(dir.path()), before) << c.missing;
    EXPECT_FALSE(FileExists(dir.File("offset")));
    EXPECT_EQ(PlaceList.entries(), std::vector<std::string>{"earlier"}) << c.missing;
  }
}

// A place-name file of count generated names P00001, P00002, ...
std::string GeneratedPlaceNames(int count) {
  std::string text = "heading\r\n";
  char name[16];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(name, sizeof name, "P%05d\r\n", i);
    text += name;
  }
  return text;
}

TEST_F(SegmentConversionTest, PlaceIndexUpToTheLimitIsWritten) {
  ASSERT_TRUE(
      Run(GeneratedPlaceNames(70000), kDumpHead + Row(1, "1390001", "P00001", "P65535", "1")).ok());
  EXPECT_EQ(ReadFile(dir_.File("binary")), Bytes({0x20, 0x39, 0x00, 0x01, 0xFF, 0xFF, 0x01, 0x00}));
}

TEST_F(SegmentConversionTest, PlaceIndexAboveTheLimitIsRefused) {
  struct Case {
    std::string what;
    int names;
    std::string row;
    std::string place;
    std::string index;
  } cases[] = {
      {"listed city", 70000, Row(2, "1390002", "P00001", "P65536", "1"), "P65536", "65536"},
      {"listed province", 70000, Row(2, "1390002", "P70000", "P00002", "1"), "P70000", "70000"},
      {"new city", 65535, Row(2, "1390002", "P00001", "NEWCITY", "1"), "NEWCITY", "65536"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    WriteFile(dir.File("city"), GeneratedPlaceNames(c.names));
    WriteFile(dir.File("simcard2.sql"),
              kDumpHead + Row(1, "1390001", "P00001", "P00002", "1") + c.row);
    WriteFile(dir.File("binary"), "good records");
    auto before = Snapshot(dir.path());
    PlaceList.ResetForTesting();
    Status status = ConvertSegments(dir.path());
    ASSERT_FALSE(status.ok()) << c.what;
    const std::string& message = status.message();
    EXPECT_NE(message.find("\"" + c.place + "\""), std::string::npos) << message;
    EXPECT_NE(message.find(" " + c.index), std::string::npos) << message;
    EXPECT_NE(message.find("65,535"), std::string::npos) << message;
    EXPECT_NE(message.find(dir.File("simcard2.sql") + "\" line 4"), std::string::npos) << message;
    EXPECT_EQ(Snapshot(dir.path()), before) << c.what;
    EXPECT_TRUE(PlaceList.empty()) << c.what;
  }
}

}  // namespace
}  // namespace korvalind
