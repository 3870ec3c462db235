#include "tools/directory_export.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "directory/loader.h"
#include "directory/query.h"
#include "plain_images.h"
#include "platform/file_io.h"
#include "support/temp_dir.h"
#include "tools/directory_builder.h"
#include "tools/place_list.h"
#include "tools/segment_answers.h"

namespace korvalind {
namespace {

const std::string kHebei = "\xba\xd3\xb1\xb1";                 // 河北
const std::string kShijiazhuang = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄

// The worked 58-byte image: places 河北|石家庄|, the zone 河北,石家庄:050000,0311 and two empty
// entries, one record (1390123, kind 1, city 2, province 1), trailer 12, 38, 46.
const std::string kWorkedImage = std::string(
    "\xba\xd3\xb1\xb1|\xca\xaf\xbc\xd2\xd7\xaf|\xba\xd3\xb1\xb1,\xca\xaf\xbc\xd2\xd7\xaf:050000,"
    "0311|||"
    "\x20\x39\x01\x23\x02\x00\x01\x00\x0c\x00\x00\x00\x26\x00\x00\x00\x2e\x00\x00\x00",
    58);

using testing::ImageOfPlain;
using testing::PlainImage;
using testing::ReadFile;
using testing::RecordBytes;
using testing::TempDir;
using testing::WriteFile;

// Starts and ends with empty process-wide lists, as a fresh process has them.
class DirectoryExportTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLists(); }
  void TearDown() override { ResetLists(); }
  static void ResetLists() {
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
  }

  // Exports image and runs make-directory on the dumps; the plain image it wrote.
  std::string Rebuild(const DirectoryImage& image) {
    DumpTexts texts;
    Status status = ExportDumps(image, &texts);
    EXPECT_TRUE(status.ok()) << status.message();
    EXPECT_TRUE(WriteDumpFiles(dir_.path(), texts).ok());
    ResetLists();
    status = MakeDirectory(dir_.path(), dir_.File("out.dat"));
    EXPECT_TRUE(status.ok()) << status.message();
    return ReadFile(dir_.File("Korvalind.dat"));
  }

  TempDir dir_;
};

// Every seven-digit segment answered by the table of all answers as a query answers it.
void ExpectAnswersLikeQueries(const DirectoryImage& image) {
  const SegmentAnswers all = AnswerAllSegments(image);
  size_t next = 0;
  for (std::uint32_t segment = kFirstSegment; segment < kFirstSegment + kSegmentKeyValues;
       ++segment) {
    std::uint8_t key[kSegmentKeySize];
    PackSegmentKey(std::to_string(segment).substr(1), key);
    const QueryAnswer answer = QuerySegmentKey(image, key);
    const bool listed = next < all.segments.size() && all.segments[next].segment == segment;
    ASSERT_EQ(listed, answer.outcome == QueryAnswer::Outcome::kOk) << segment;
    if (!listed) continue;
    const SegmentAnswer& listed_answer = all.segments[next++];
    const PlaceAnswer& place = all.PlaceOf(listed_answer);
    ASSERT_EQ(place.province, answer.province) << segment;
    ASSERT_EQ(place.shownCity, answer.city) << segment;
    ASSERT_EQ(std::string(SimKindLabel(listed_answer.kind)), answer.simType) << segment;
    ASSERT_EQ(place.areaCode, answer.areaCode) << segment;
    ASSERT_EQ(place.postCode, answer.postCode) << segment;
  }
  EXPECT_EQ(next, all.segments.size());
}

// An image that no make-directory run writes: a name twice with a record pointing at the second,
// indexes past the table, a repeated key, a key that is not decimal, zones that no look-up
// reaches or that stand behind an earlier match, no padding.
std::string OddImage() {
  const std::string hb(kHebei), sjz(kShijiazhuang);
  std::string records = RecordBytes(1, "390123", 2, 1) + RecordBytes(3, "390124", 4, 3) +
                        RecordBytes(5, "390125", 0, 9) + RecordBytes(2, "390123", 1, 1) +
                        RecordBytes(7, "999999", 0, 1);
  records += std::string("\x40\xab\xcd\xef\x02\x00\x01\x00", 8);
  return PlainImage({hb, sjz, hb, sjz, ""},
                    {"no separators", "", hb + "," + sjz + ":050000,0311",
                     hb + "," + sjz + ":000000,9999", hb + ",:050000,0311"},
                    records);
}

TEST_F(DirectoryExportTest, BundledDirectoryComesBackByteForByte) {
  WriteFile(dir_.File("areacode"), ReadFile(KORVALIND_SOURCE_DATA "/areacode"));
  WriteFile(dir_.File("city"), ReadFile(KORVALIND_SOURCE_DATA "/city"));
  WriteFile(dir_.File("simcard2.sql"), ReadFile(KORVALIND_SOURCE_DATA "/simcard2.sql"));
  ASSERT_TRUE(MakeDirectory(dir_.path(), dir_.File("bundled.dat")).ok());
  const std::string plain = ReadFile(dir_.File("Korvalind.dat"));
  const DirectoryImage image = ImageOfPlain(plain);
  EXPECT_EQ(Rebuild(image), plain);
  DirectoryImage loaded;
  ASSERT_TRUE(LoadDirectory(dir_.File("bundled.dat"), &loaded).ok());
  ExpectAnswersLikeQueries(loaded);
}

TEST_F(DirectoryExportTest, WorkedImageComesBackByteForByte) {
  EXPECT_EQ(Rebuild(ImageOfPlain(kWorkedImage)), kWorkedImage);
}

TEST_F(DirectoryExportTest, OddImageComesBackAnsweringAlike) {
  const DirectoryImage odd = ImageOfPlain(OddImage());
  ExpectAnswersLikeQueries(odd);
  const DirectoryImage rebuilt = ImageOfPlain(Rebuild(odd));
  ExpectAnswersLikeQueries(rebuilt);
  const SegmentAnswers before = AnswerAllSegments(odd);
  const SegmentAnswers after = AnswerAllSegments(rebuilt);
  ASSERT_EQ(before.segments.size(), after.segments.size());
  for (size_t i = 0; i < before.segments.size(); ++i) {
    const PlaceAnswer& a = before.PlaceOf(before.segments[i]);
    const PlaceAnswer& b = after.PlaceOf(after.segments[i]);
    EXPECT_EQ(before.segments[i].segment, after.segments[i].segment);
    EXPECT_EQ(before.segments[i].kind, after.segments[i].kind);
    EXPECT_EQ(std::tie(a.province, a.city, a.postCode, a.areaCode),
              std::tie(b.province, b.city, b.postCode, b.areaCode));
  }
  // The record whose key is not decimal is kept, whole.
  EXPECT_NE(std::string(reinterpret_cast<const char*>(rebuilt.data.data()), rebuilt.data.size())
                .find(std::string("\xab\xcd\xef", 3)),
            std::string::npos);
}

TEST_F(DirectoryExportTest, RefusesWhatTheDumpsCannotCarry) {
  const std::string hb(kHebei);
  struct Case {
    std::vector<std::string> places;
    std::vector<std::string> zones;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{hb, "a'b"}, {}, "\"a'b\" holds \"'\""},
      {{hb, "a,b"}, {}, "\"a,b\" holds \",\""},
      {{hb, "a\rb"}, {}, "holds a carriage return"},
      {{hb, "a\nb"}, {}, "holds a line feed"},
      {{hb}, {hb + ", x:1,2"}, "begins or ends with a blank"},
      {{hb}, {hb + ",x:1 ,2"}, "begins or ends with a blank"},
      {{hb}, {hb + ",x:1,0)1"}, "holds \")\" in its area code"},
      {{hb}, {hb + ",x:1,2,3"}, "holds \",\""},
      {{hb}, {hb + ",x:12"}, "no \",\" between its postal code and its area code"},
  };
  for (const Case& c : cases) {
    const DirectoryImage image =
        ImageOfPlain(PlainImage(c.places, c.zones, RecordBytes(1, "390123", 0, 1)));
    DumpTexts texts;
    Status status = ExportDumps(image, &texts);
    EXPECT_FALSE(status.ok()) << c.message;
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
  }
}

}  // namespace
}  // namespace korvalind
