#include "tools/phone_dat.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "directory/loader.h"
#include "directory/query.h"
#include "plain_images.h"
#include "platform/gbk.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "tools/directory_builder.h"
#include "tools/phone_dat_conversion.h"
#include "tools/place_list.h"
#include "tools/segment_answers.h"

namespace korvalind {
namespace {

using testing::ImageOfPlain;
using testing::PlainImage;
using testing::ReadFile;
using testing::RecordBytes;
using testing::TempDir;
using testing::WriteFile;

// An independent writer of the format, as the libraries that share it write it.
constexpr char kPythonWriter[] = R"(
import struct, sys
records = ["北京|北京|100000|010", "广东|深圳|518000|0755", "河北||050000|0311",
           "新疆|乌鲁木齐|830000|0991"]
entries = [(1300000, 1, 2), (1340000, 0, 1), (1700000, 1, 4), (1705000, 0, 6), (1709000, 3, 5),
           (1890000, 2, 3), (1920000, 3, 7), (1925000, 3, 8), (1990000, 1, 3)]
body, offsets = b"", []
for record in records:
    offsets.append(8 + len(body))
    body += record.encode("utf-8") + b"\0"
index = b"".join(struct.pack("<IIB", s, offsets[r], t) for s, r, t in entries)
open(sys.argv[1], "wb").write(b"2302" + struct.pack("<I", 8 + len(body)) + body + index)
)";

class PhoneDatTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLists(); }
  void TearDown() override { ResetLists(); }
  static void ResetLists() {
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
  }

  // Imports dat, runs make-directory on the dumps and loads the result.
  DirectoryImage Build(const PhoneDat& dat) {
    DumpTexts texts;
    Status status = ImportPhoneDat(dat, "test.dat", &texts);
    EXPECT_TRUE(status.ok()) << status.message();
    EXPECT_TRUE(WriteDumpFiles(dir_.path(), texts).ok());
    ResetLists();
    status = MakeDirectory(dir_.path(), dir_.File("made.dat"));
    EXPECT_TRUE(status.ok()) << status.message();
    DirectoryImage image;
    EXPECT_TRUE(LoadDirectory(dir_.File("made.dat"), &image).ok());
    return image;
  }

  // Export, then import and make-directory: every segment answers as before but for its kind,
  // which comes back as the kind of the card type the number plan gives its segment.
  void ExpectRoundTrip(const DirectoryImage& original) {
    PhoneDat dat;
    ASSERT_TRUE(ExportPhoneDat(original, "2612", &dat).ok());
    std::string bytes;
    ASSERT_TRUE(SerializePhoneDat(dat, &bytes).ok());
    PhoneDat read;
    ASSERT_TRUE(ParsePhoneDat(bytes, "round.dat", &read).ok());
    const DirectoryImage rebuilt = Build(read);
    const SegmentAnswers before = AnswerAllSegments(original);
    const SegmentAnswers after = AnswerAllSegments(rebuilt);
    size_t j = 0;
    for (const SegmentAnswer& was : before.segments) {
      const std::uint8_t card_type = CardTypeOfSegment(was.segment, was.kind);
      if (card_type == 0) continue;
      ASSERT_LT(j, after.segments.size());
      const SegmentAnswer& now = after.segments[j++];
      ASSERT_EQ(was.segment, now.segment);
      EXPECT_EQ(KindOfCardType(card_type), now.kind) << was.segment;
      const PlaceAnswer& a = before.PlaceOf(was);
      const PlaceAnswer& b = after.PlaceOf(now);
      EXPECT_EQ(std::tie(a.province, a.city, a.shownCity, a.postCode, a.areaCode),
                std::tie(b.province, b.city, b.shownCity, b.postCode, b.areaCode))
          << was.segment;
    }
    EXPECT_EQ(j, after.segments.size());
  }

  TempDir dir_;
};

// A phone.dat file laid out from records (text without the zero byte) and entries.
std::string PhoneDatBytes(const std::vector<std::string>& records,
                          const std::vector<PhoneDatEntry>& entries) {
  std::string body;
  std::vector<std::uint32_t> offsets;
  for (const std::string& record : records) {
    offsets.push_back(static_cast<std::uint32_t>(8 + body.size()));
    body += record + '\0';
  }
  auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  std::string bytes = "2302" + u32(static_cast<std::uint32_t>(8 + body.size())) + body;
  for (const PhoneDatEntry& entry : entries) {
    bytes += u32(entry.segment) + u32(offsets[entry.record]) + static_cast<char>(entry.cardType);
  }
  return bytes;
}

TEST_F(PhoneDatTest, FileOfAnIndependentWriterIsImportedAndAnswered) {
  WriteFile(dir_.File("writer.py"), kPythonWriter);
  testing::ProcessResult run =
      testing::RunProcess("/usr/bin/python3", {dir_.File("writer.py"), dir_.File("phone.dat")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  PhoneDat dat;
  Status status = ParsePhoneDat(ReadFile(dir_.File("phone.dat")), "phone.dat", &dat);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(dat.version, "2302");
  const DirectoryImage image = Build(dat);

  struct Case {
    std::string segment, province, city, postCode, areaCode;
    int kind;
  };
  const std::vector<Case> cases = {
      {"1300000", "广东", "深圳", "518000", "0755", 3},
      {"1340000", "北京", "北京", "100000", "010", 1},
      {"1700000", "广东", "深圳", "518000", "0755", 6},
      {"1705000", "北京", "北京", "100000", "010", 1},
      {"1709000", "新疆", "乌鲁木齐", "830000", "0991", 3},
      {"1890000", "河北", "河北", "050000", "0311", 6},
      {"1920000", "新疆", "乌鲁木齐", "830000", "0991", 7},
      {"1925000", "新疆", "乌鲁木齐", "830000", "0991", 7},
      {"1990000", "广东", "深圳", "518000", "0755", 6},
  };
  EXPECT_EQ(SegmentCount(image), cases.size());
  for (const Case& c : cases) {
    std::uint8_t key[kSegmentKeySize];
    PackSegmentKey(c.segment.substr(1), key);
    const QueryAnswer answer = QuerySegmentKey(image, key);
    ASSERT_EQ(answer.outcome, QueryAnswer::Outcome::kOk) << c.segment;
    EXPECT_EQ(GbkToUtf8(answer.province), c.province) << c.segment;
    EXPECT_EQ(GbkToUtf8(answer.city), c.city) << c.segment;
    EXPECT_EQ(answer.postCode, c.postCode) << c.segment;
    EXPECT_EQ(answer.areaCode, c.areaCode) << c.segment;
    EXPECT_EQ(FindSegmentRecord(image, key)->kind(), c.kind) << c.segment;
  }
}

TEST_F(PhoneDatTest, DamagedFilesAreRefused) {
  const std::vector<std::string> records = {"a|b|1|2", "c|d|3|4"};
  const std::string good = PhoneDatBytes(records, {{1390000, 0, 1}, {1390001, 1, 2}});
  const size_t index = 8 + 16;
  auto with = [&good](size_t at, std::string bytes) {
    std::string file = good;
    file.replace(at, bytes.size(), bytes);
    return file;
  };
  struct Case {
    std::string file, message;
  };
  const std::vector<Case> cases = {
      {good.substr(0, good.size() - 1), "not a whole number of 9-byte entries"},
      {good.substr(0, 5), "shorter than its 8-byte header"},
      {with(0, "23a2"), "version is not four ASCII digits"},
      {with(4, std::string("\xff\x00\x00\x00", 4)), "lies outside the file"},
      {with(4, std::string("\x04\x00\x00\x00", 4)), "lies outside the file"},
      {PhoneDatBytes(records, {{1390001, 0, 1}, {1390000, 1, 1}}), "not in ascending order"},
      {PhoneDatBytes(records, {{1390001, 0, 1}, {1390001, 1, 1}}), "not in ascending order"},
      {PhoneDatBytes(records, {{139000, 0, 1}}), "not a seven-digit segment"},
      {PhoneDatBytes(records, {{2390000, 0, 1}}), "not a seven-digit segment"},
      {PhoneDatBytes(records, {{1390000, 0, 0}}), "card type 0"},
      {PhoneDatBytes(records, {{1390000, 0, 9}}), "card type 9"},
      {with(index + 4, std::string("\x18\x00\x00\x00", 4)), "outside the records"},
      {with(index + 4, std::string("\x00\x01\x00\x00", 4)), "outside the records"},
      {with(8 + 15, "x"), "has no zero byte before the index"},
      {PhoneDatBytes({"a|b|1"}, {{1390000, 0, 1}}), "does not have four"},
      {PhoneDatBytes({"a|b|1|2|3"}, {{1390000, 0, 1}}), "more than four"},
      {PhoneDatBytes({"a\xff|b|1|2"}, {{1390000, 0, 1}}), "not valid UTF-8"},
  };
  for (const Case& c : cases) {
    PhoneDat dat;
    Status status = ParsePhoneDat(c.file, "bad.dat", &dat);
    EXPECT_EQ(status.code(), Status::Code::kCorruption) << c.message;
    EXPECT_NE(status.message().find("phone.dat file \"bad.dat\" is damaged"), std::string::npos);
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
    EXPECT_TRUE(dat.entries.empty() && dat.records.empty());
  }
}

TEST_F(PhoneDatTest, NamesTheDirectoryCannotHoldAreRefused) {
  struct Case {
    std::vector<std::string> records;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"北京😀|北京|100000|010"}, "without a GBK form"},
      {{"北京'|北京|100000|010"}, "holds \"'\""},
      {{"北京|北,京|100000|010"}, "holds \",\""},
      {{"|北京|100000|010"}, "has no province"},
      {{"北京| 北京|100000|010"}, "begins or ends with a blank"},
      {{"北京|北京|100000|0)10"}, "holds \")\""},
      {{std::string(22 * 3, 'x') + "|a|1|2"}, "more than the 63"},
      {{"北京|北京|100000|010", "北京|北京|100001|010"}, "different codes"},
  };
  for (const Case& c : cases) {
    std::vector<PhoneDatEntry> entries;
    for (std::uint32_t i = 0; i < c.records.size(); ++i) entries.push_back({1390000 + i, i, 1});
    PhoneDat dat;
    ASSERT_TRUE(ParsePhoneDat(PhoneDatBytes(c.records, entries), "names.dat", &dat).ok());
    DumpTexts texts;
    Status status = ImportPhoneDat(dat, "names.dat", &texts);
    EXPECT_FALSE(status.ok()) << c.message;
    EXPECT_NE(status.message().find(c.message), std::string::npos) << status.message();
  }
}

TEST_F(PhoneDatTest, ExportedFileImportsAnsweringAlike) {
  const std::string hb = "\xba\xd3\xb1\xb1", sjz = "\xca\xaf\xbc\xd2\xd7\xaf";
  std::string records;
  for (unsigned kind = 0; kind < 8; ++kind) {
    records += RecordBytes(kind, "39012" + std::to_string(kind), 2, 1);
  }
  records += RecordBytes(1, "990000", 0, 1) + RecordBytes(6, "390129", 0, 1);
  const std::string plain =
      PlainImage({hb, sjz}, {hb + "," + sjz + ":050000,0311", hb + ",:050001,0312"}, records);
  ExpectRoundTrip(ImageOfPlain(plain));

  WriteFile(dir_.File("areacode"), ReadFile(KORVALIND_SOURCE_DATA "/areacode"));
  WriteFile(dir_.File("city"), ReadFile(KORVALIND_SOURCE_DATA "/city"));
  WriteFile(dir_.File("simcard2.sql"), ReadFile(KORVALIND_SOURCE_DATA "/simcard2.sql"));
  ASSERT_TRUE(MakeDirectory(dir_.path(), dir_.File("bundled.dat")).ok());
  DirectoryImage bundled;
  ASSERT_TRUE(LoadDirectory(dir_.File("bundled.dat"), &bundled).ok());
  ExpectRoundTrip(bundled);
}

// The card type comes from the number plan: virtual-operator segments get their carrier's virtual
// card type whatever the record's kind; the kind decides only where the plan names no carrier.
TEST(PhoneDatCardType, ComesFromTheNumberPlan) {
  const struct {
    std::uint32_t segment;
    int kind;
    std::uint8_t card_type;
  } cases[] = {
      {1390000, 3, kCardChinaMobile},         {1700000, 6, kCardChinaTelecomVirtual},
      {1703000, 6, kCardChinaMobileVirtual},  {1704000, 6, kCardChinaUnicomVirtual},
      {1620000, 1, kCardChinaTelecomVirtual}, {1650000, 1, kCardChinaMobileVirtual},
      {1920000, 1, kCardChinaBroadnet},       {1740000, 1, kCardChinaTelecom},
      {1349000, 1, kCardChinaMobile},         {1349000, 0, 0},
      {1222222, 3, kCardChinaUnicom},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CardTypeOfSegment(c.segment, c.kind), c.card_type) << c.segment << " " << c.kind;
  }
}

}  // namespace
}  // namespace korvalind
