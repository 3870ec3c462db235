#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cipher/file_cipher.h"
#include "directory/loader.h"
#include "directory/query.h"
#include "tools/directory_builder.h"
#include "tools/place_list.h"
#include "tools_fixture.h"

namespace korvalind {
namespace {

using testing::Bytes;
using testing::FileExists;
using testing::kBaoding;
using testing::kBeijing;
using testing::kHebei;
using testing::kJinan;
using testing::kPlaceHeading;
using testing::kShandong;
using testing::kShijiazhuang;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;

const std::string kHb = kHebei;
const std::string kSjz = kShijiazhuang;
const std::string kBd = kBaoding;

// The regions of a plain image, split by its trailer.
struct Regions {
  std::vector<std::string> places;
  std::vector<std::string> zones;
  std::string records;
};

std::uint32_t U32At(const std::string& bytes, size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::vector<std::string> SplitEntries(const std::string& table) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (size_t bar; (bar = table.find('|', start)) != std::string::npos; start = bar + 1) {
    entries.push_back(table.substr(start, bar - start));
  }
  EXPECT_EQ(start, table.size()) << "a table ends with an unterminated entry";
  return entries;
}

Regions Split(const std::string& image) {
  Regions regions;
  if (image.size() < 12) {
    ADD_FAILURE() << "image too short";
    return regions;
  }
  std::uint32_t place_end = U32At(image, image.size() - 12);
  std::uint32_t zone_end = U32At(image, image.size() - 8);
  std::uint32_t records_end = U32At(image, image.size() - 4);
  EXPECT_EQ(records_end + 12u, image.size());
  EXPECT_LE(place_end, zone_end);
  EXPECT_LE(zone_end, records_end);
  regions.places = SplitEntries(image.substr(0, place_end));
  regions.zones = SplitEntries(image.substr(place_end, zone_end - place_end));
  regions.records = image.substr(zone_end, records_end - zone_end);
  return regions;
}

// The first record with the key of segment, as "kind province city"; "" when there is none.
std::string Lookup(const Regions& regions, const std::string& segment) {
  std::string key;
  for (size_t i = 1; i < 7; i += 2)
    key.push_back(static_cast<char>((segment[i] - '0') * 16 + (segment[i + 1] - '0')));
  for (size_t at = 0; at + 8 <= regions.records.size(); at += 8) {
    if (regions.records.compare(at + 1, 3, key) != 0) continue;
    auto place = [&](size_t byte) {
      size_t index = static_cast<unsigned char>(regions.records[byte]) |
                     static_cast<unsigned char>(regions.records[byte + 1]) << 8;
      return index == 0 || index > regions.places.size() ? std::string()
                                                         : regions.places[index - 1];
    };
    int kind = static_cast<unsigned char>(regions.records[at]) >> 5;
    return std::to_string(kind) + " " + place(at + 6) + " " + place(at + 4);
  }
  return "";
}

class MakeDirectoryTest : public testing::ToolsTest {
 protected:
  testing::TempDir out_;
};

TEST_F(MakeDirectoryTest, SmallDataFolder) {
  WriteFile(dir_.File("areacode"), "'" + kHb + "','" + kSjz + "','050000','0311')\r\n'" + kHb +
                                       "','" + kBd + "','071000','0312')\r\n");
  WriteFile(dir_.File("city"), std::string(kPlaceHeading) + "\r\n" + kHb + "\r\n" + kSjz + "\r\n");
  WriteFile(dir_.File("simcard2.sql"),
            "-- segment table dump\r\nINSERT INTO `simcard` VALUES\r\n"
            "(1,'1390123','" +
                kHb + "','" + kSjz +
                "','1','0311'),\r\n"
                "(2,'1390124','" +
                kHb + "','" + kBd + "','3','0312');\r\n");
  const std::string output = out_.File("Korvalind.dat");
  MakeDirectoryStats stats;
  Status status = MakeDirectory(dir_.path(), output, nullptr, &stats);
  ASSERT_TRUE(status.ok()) << status.message();

  const std::string zone1 = kHb + "," + kSjz + ":050000,0311";                        // 23 bytes
  const std::string zone2 = kHb + "," + kBd + ":071000,0312";                         // 21 bytes
  const std::string records = Bytes({0x20, 0x39, 0x01, 0x23, 0x02, 0x00, 0x01, 0x00,  //
                                     0x60, 0x39, 0x01, 0x24, 0x03, 0x00, 0x01, 0x00});
  // Places 17 bytes, zones 24 + 22: 63 = 7 * 8 + 7, so seven empty entries end the zone table.
  const std::string image = kHb + "|" + kSjz + "|" + kBd + "|" + zone1 + "|" + zone2 + "|" +
                            std::string(7, '|') + records +
                            Bytes({17, 0, 0, 0, 70, 0, 0, 0, 86, 0, 0, 0});
  EXPECT_EQ(ReadFile(dir_.File("Korvalind.dat")), image);
  EXPECT_EQ(ReadFile(dir_.File("zone")), zone1 + "\r\n" + zone2 + "\r\n");
  EXPECT_EQ(ReadFile(dir_.File("binary")), records);
  EXPECT_EQ(ReadFile(dir_.File("output.txt")), "'1390123','" + kHb + "','" + kSjz +
                                                   "','1'\r"
                                                   "'1390124','" +
                                                   kHb + "','" + kBd + "','3'\r");
  EXPECT_EQ(ReadFile(dir_.File("offset")), "");

  const std::string enciphered = ReadFile(output);
  EXPECT_EQ(enciphered.size(), 104u);
  std::string plain;
  ASSERT_TRUE(DecipherBytes(enciphered, CipherKey, &plain));
  EXPECT_EQ(plain, image + std::string(6, '\0'));

  EXPECT_EQ(stats.rows, 2u);
  EXPECT_EQ(stats.places, 3u);
  EXPECT_EQ(stats.newCities, 1u);
  EXPECT_EQ(stats.zones, 2u);
  EXPECT_EQ(stats.zonePadding, 7u);
  EXPECT_EQ(stats.records, 2u);
  EXPECT_EQ(stats.plainSize, 98u);
  EXPECT_EQ(stats.outputSize, 104u);
  // As the single steps leave them: the zone lines once, the place names and the new city.
  EXPECT_EQ(ZoneList.entries(), (std::vector<std::string>{zone1, zone2}));
  EXPECT_EQ(PlaceList.entries(), (std::vector<std::string>{kHb, kSjz, kBd}));

  DirectoryImage loaded;
  ASSERT_TRUE(LoadDirectory(output, &loaded).ok());
  QueryAnswer answer = QueryNumber(loaded, "1390124");
  EXPECT_EQ(answer.outcome, QueryAnswer::Outcome::kOk);
  EXPECT_EQ(answer.province, kHb);
  EXPECT_EQ(answer.city, kBd);
  EXPECT_EQ(answer.postCode, "071000");
  EXPECT_EQ(answer.areaCode, "0312");
}

TEST_F(MakeDirectoryTest, BadInputsWriteNothing) {
  struct Case {
    const char* what;
    const char* missing;
    std::string places;
    Status::Code code;
    std::string message;
  } cases[] = {
      {"area codes missing", "areacode", "h\r\nP1\r\n", Status::Code::kNotFound,
       "No such file or directory"},
      {"place names missing", "city", "", Status::Code::kNotFound, "No such file or directory"},
      {"dump missing", "simcard2.sql", "h\r\nP1\r\n", Status::Code::kNotFound,
       "No such file or directory"},
      {"place index overflow", nullptr, "", Status::Code::kInvalidArgument, "65,535"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    std::string places = c.places;
    if (places.empty()) {
      places = "h\r\n";
      for (int i = 1; i <= 70000; ++i) places += "P" + std::to_string(i) + "\r\n";
    }
    WriteFile(dir.File("areacode"), "'a','b','1','2')\r\n");
    WriteFile(dir.File("city"), places);
    WriteFile(dir.File("simcard2.sql"), "(1,'1390001','P1','P65536','1','2'),\r\n");
    WriteFile(dir.File("zone"), "good zone\r\n");
    WriteFile(dir.File("Korvalind.dat"), "good plain directory");
    WriteFile(out_.File("out.dat"), "good enciphered directory");
    if (c.missing != nullptr) {
      ASSERT_EQ(std::remove(dir.File(c.missing).c_str()), 0);
    }
    auto before = Snapshot(dir.path());
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
    Status status = MakeDirectory(dir.path(), out_.File("out.dat"));
    EXPECT_EQ(status.code(), c.code) << c.what;
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
    if (c.missing != nullptr) {
      EXPECT_NE(status.message().find("\"" + dir.File(c.missing) + "\""), std::string::npos)
          << status.message();
    }
    EXPECT_EQ(Snapshot(dir.path()), before) << c.what;
    EXPECT_EQ(ReadFile(out_.File("out.dat")), "good enciphered directory") << c.what;
    EXPECT_TRUE(PlaceList.empty()) << c.what;
    EXPECT_TRUE(ZoneList.empty()) << c.what;
  }
}

TEST_F(MakeDirectoryTest, RefusesAnOutputThatIsOneOfItsOwnFiles) {
  WriteFile(dir_.File("areacode"), "'a','b','1','2')\r\n");
  WriteFile(dir_.File("city"), "h\r\n");
  WriteFile(dir_.File("simcard2.sql"), "");
  auto before = Snapshot(dir_.path());
  for (const char* name : {"areacode", "simcard2.sql", "Korvalind.dat", "zone"}) {
    Status status = MakeDirectory(dir_.path(), dir_.path() + "/./" + name);
    EXPECT_EQ(status.code(), Status::Code::kInvalidArgument) << name;
    EXPECT_EQ(Snapshot(dir_.path()), before) << name;
  }
}

std::string BundledData() {
  const char* from_environment = std::getenv("KORVALIND_TEST_DATA");
  return from_environment != nullptr ? from_environment : KORVALIND_SOURCE_DATA;
}

TEST_F(MakeDirectoryTest, BundledDumps) {
  for (const char* name : {"areacode", "city", "simcard2.sql"}) {
    std::filesystem::copy_file(BundledData() + "/" + name, dir_.File(name));
  }
  std::vector<ConversionProgress> reports;
  MakeDirectoryStats stats;
  Status status = MakeDirectory(
      dir_.path(), out_.File("Korvalind.dat"),
      [&reports](const ConversionProgress& progress) { reports.push_back(progress); }, &stats);
  ASSERT_TRUE(status.ok()) << status.message();

  // Figures of the dumps' description: 321,047 rows, 354 place names, 11 prefectures left out
  // of the place names on purpose, 340 zones.
  EXPECT_EQ(stats.rows, 321047u);
  EXPECT_EQ(stats.records, 321047u);
  EXPECT_EQ(stats.newCities, 11u);
  EXPECT_EQ(stats.places, 365u);
  EXPECT_EQ(stats.zones, 340u);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().rows, 321047u);
  EXPECT_EQ(reports.back().bytesDone, reports.back().bytesTotal);
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i - 1].rows, reports[i].rows);

  const std::string image = ReadFile(dir_.File("Korvalind.dat"));
  EXPECT_EQ(image.size() % 8, 2u);
  EXPECT_EQ(image.size(), stats.plainSize);
  EXPECT_EQ(ReadFile(dir_.File("binary")).size(), 321047u * 8);
  Regions regions = Split(image);
  EXPECT_EQ(regions.places.size(), 365u);
  EXPECT_EQ(regions.zones.size(), 340u + stats.zonePadding);
  EXPECT_EQ(Lookup(regions, "1390123"), "1 " + std::string(kBeijing) + " " + kBeijing);
  EXPECT_EQ(Lookup(regions, "1300000"), "3 " + std::string(kShandong) + " " + kJinan);

  DirectoryImage loaded;
  ASSERT_TRUE(LoadDirectory(out_.File("Korvalind.dat"), &loaded).ok());
  EXPECT_EQ(SegmentCount(loaded), 321047u);
  QueryAnswer answer = QueryNumber(loaded, "1390123");
  EXPECT_EQ(answer.outcome, QueryAnswer::Outcome::kOk);
  EXPECT_EQ(answer.province, kBeijing);
  EXPECT_EQ(answer.city, kBeijing);
  EXPECT_EQ(answer.postCode, "100000");
  EXPECT_EQ(answer.areaCode, "010");
}

}  // namespace
}  // namespace korvalind
