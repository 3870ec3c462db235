// The index against the walk over the records: same record, same answer, for every key.
#include "directory/directory_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "directory/loader.h"
#include "directory/query.h"
#include "directory/test_images.h"
#include "platform/gbk.h"

namespace korvalind {
namespace {

using testing::ImageFromPlain;
using testing::kBaoding;
using testing::kHebei;
using testing::kShijiazhuang;
using testing::LayOutImage;
using testing::Record;

const std::string kHebeiS(kHebei);
const std::string kShijiazhuangS(kShijiazhuang);
const std::string kBaodingS(kBaoding);
constexpr size_t kIndexBudget = size_t{8} << 20;

DirectoryImage WithIndex(DirectoryImage image) {
  image.index = DirectoryIndex::Build(image);
  return image;
}

DirectoryImage WithoutIndex(DirectoryImage image) {
  image.index.reset();
  return image;
}

std::string RawRecord(std::initializer_list<int> bytes) {
  std::string record;
  for (int b : bytes) record.push_back(static_cast<char>(b));
  return record;
}

std::string KeyText(const std::uint8_t* key) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x%02x%02x", key[0], key[1], key[2]);
  return text;
}

// Same record for key with and without the index.
void ExpectSameRecord(const DirectoryImage& indexed, const DirectoryImage& walked,
                      const std::uint8_t* key) {
  std::optional<SegmentRecord> fast = FindSegmentRecord(indexed, key);
  std::optional<SegmentRecord> slow = FindSegmentRecord(walked, key);
  ASSERT_EQ(fast.has_value(), slow.has_value()) << KeyText(key);
  if (fast) {
    EXPECT_EQ(fast->bytes, slow->bytes) << KeyText(key);
  }
}

// Same answer for key with and without the index, in both encodings of the copy-free path.
void ExpectSameAnswer(const DirectoryImage& indexed, const DirectoryImage& walked,
                      const std::uint8_t* key) {
  QueryAnswer fast = QuerySegmentKey(indexed, key);
  QueryAnswer slow = QuerySegmentKey(walked, key);
  ASSERT_EQ(fast.outcome, slow.outcome) << KeyText(key);
  EXPECT_EQ(fast.province, slow.province) << KeyText(key);
  EXPECT_EQ(fast.city, slow.city) << KeyText(key);
  EXPECT_EQ(fast.simType, slow.simType) << KeyText(key);
  EXPECT_EQ(fast.areaCode, slow.areaCode) << KeyText(key);
  EXPECT_EQ(fast.postCode, slow.postCode) << KeyText(key);

  for (TextEncoding encoding : {TextEncoding::kGbk, TextEncoding::kUtf8}) {
    QueryAnswer::Outcome outcome = QueryAnswer::Outcome::kInvalid;
    AnswerTexts texts;
    if (!QuerySegmentKeyIndexed(indexed, key, encoding, &outcome, &texts)) continue;
    ASSERT_EQ(outcome, slow.outcome) << KeyText(key);
    if (outcome != QueryAnswer::Outcome::kOk) continue;
    auto form = [encoding](const std::string& gbk) {
      return encoding == TextEncoding::kGbk ? gbk : GbkToUtf8(gbk);
    };
    EXPECT_EQ(texts.province, form(slow.province)) << KeyText(key);
    EXPECT_EQ(texts.city, form(slow.city)) << KeyText(key);
    EXPECT_EQ(texts.simType, form(slow.simType)) << KeyText(key);
    EXPECT_EQ(texts.areaCode, form(slow.areaCode)) << KeyText(key);
    EXPECT_EQ(texts.postCode, form(slow.postCode)) << KeyText(key);
  }
}

// Every key made of packed-decimal bytes and of the other bytes these tests put in keys: the
// record; the keys that some record holds, and a sample of the others: the answer.
void ExpectIndexAgreesEverywhere(const DirectoryImage& image) {
  DirectoryImage indexed = WithIndex(image);
  DirectoryImage walked = WithoutIndex(image);
  ASSERT_LE(indexed.index->MemoryBytes(), kIndexBudget);
  std::vector<std::uint8_t> bytes = {0x0A, 0x2F, 0x3A, 0x9A, 0xA0, 0xF9, 0xFF};
  for (int high = 0; high < 10; ++high) {
    for (int low = 0; low < 10; ++low) bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  size_t checked = 0;
  for (std::uint8_t b0 : bytes) {
    for (std::uint8_t b1 : bytes) {
      for (std::uint8_t b2 : bytes) {
        const std::uint8_t key[3] = {b0, b1, b2};
        std::optional<SegmentRecord> fast = FindSegmentRecord(indexed, key);
        std::optional<SegmentRecord> slow = FindSegmentRecord(walked, key);
        if (fast.has_value() != slow.has_value() || (fast && fast->bytes != slow->bytes)) {
          ADD_FAILURE() << "key " << KeyText(key) << " found " << fast.has_value() << " / "
                        << slow.has_value();
          return;
        }
        if (fast || ++checked % 4099 == 0) ExpectSameAnswer(indexed, walked, key);
      }
    }
  }
}

TEST(DirectoryIndex, AgreesWithTheWalkOnSmallImages) {
  const std::vector<std::string> places = {kHebeiS, kShijiazhuangS, kBaodingS, ""};
  const std::vector<std::string> zones = {kHebeiS + "," + kShijiazhuangS + ":050000,0311",
                                          kHebeiS + ",:050001,0312", kHebeiS + "," + kBaodingS,
                                          kHebeiS + "," + kShijiazhuangS + ":059999,0399"};
  struct Case {
    const char* what;
    std::string plain;
  };
  const Case cases[] = {
      {"worked image", testing::WorkedImage()},
      {"no records", LayOutImage(places, zones, "")},
      {"empty tables", LayOutImage({}, {}, Record(1, "390123", 2, 1) + Record(2, "300000", 0, 0))},
      {"duplicate keys, the first wins",
       LayOutImage(places, zones,
                   Record(1, "390123", 2, 1) + Record(3, "390123", 3, 1) +
                       Record(2, "390124", 3, 1) + Record(5, "390124", 2, 1) +
                       Record(4, "390123", 0, 1))},
      {"every kind, no city, places past the table, the empty place",
       LayOutImage(places, zones,
                   Record(0, "000000", 2, 1) + Record(1, "999999", 0, 1) +
                       Record(2, "505050", 2, 0) + Record(3, "123456", 9, 7) +
                       Record(4, "654321", 4, 1) + Record(5, "390000", 3, 1) +
                       Record(6, "390001", 2, 1) + Record(7, "390002", 65535, 65535))},
      {"keys that are not packed decimal",
       LayOutImage(places, zones,
                   RawRecord({0x20, 0x3A, 0x00, 0x00, 2, 0, 1, 0}) +
                       RawRecord({0x40, 0xFF, 0xFF, 0xFF, 3, 0, 1, 0}) + Record(1, "390123", 2, 1) +
                       RawRecord({0x60, 0x39, 0x01, 0x2F, 2, 0, 1, 0}) +
                       RawRecord({0x3F, 0xA0, 0x99, 0x99, 3, 0, 1, 0}) +
                       RawRecord({0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 1, 0}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectIndexAgreesEverywhere(ImageFromPlain(c.plain));
  }
}

TEST(DirectoryIndex, AgreesWithTheWalkOnDamagedImages) {
  // Images that break the format's rules, which the loader refuses but an image in memory may
  // hold: entries past 63 bytes, NULs and colons inside entries, bytes after the last "|", a
  // zone entry that holds several heads, and a lead byte cut off at the 63rd byte.
  std::string cut_name = std::string(62, 'a') + "\xba\xd3";
  std::string plain =
      LayOutImage({std::string(80, 'p'), std::string("he\0bei", 6), kHebeiS + ":" + kBaodingS,
                   cut_name, kHebeiS},
                  {std::string(80, 'p') + ",:1,2", std::string("he") + ",:030000,033",
                   kHebeiS + ":" + kBaodingS + "," + ":071000,0312", kHebeiS + ",x:y:z,w",
                   cut_name.substr(0, 60) + ",:9,9"},
                  Record(1, "390000", 0, 1) + Record(2, "390001", 0, 2) +
                      Record(3, "390002", 0, 3) + Record(4, "390003", 0, 4) +
                      Record(5, "390004", 5, 5) + RawRecord({0x20, 0x39, 0x00, 0x05, 0, 0, 5, 0}));
  DirectoryImage loaded;
  EXPECT_EQ(
      ParseDeciphered(plain + std::string(8 - plain.size() % 8, '\0'), "test", &loaded).code(),
      Status::Code::kCorruption);
  ExpectIndexAgreesEverywhere(ImageFromPlain(plain));

  // In memory, images can be worse than any the loader accepts.
  DirectoryImage unterminated = ImageFromPlain(plain);
  unterminated.placeTableEnd -= 1;  // the last place loses its "|"
  ExpectIndexAgreesEverywhere(unterminated);

  DirectoryImage lying = ImageFromPlain(plain);
  lying.recordsEnd += 4000;  // offsets past the data: readers stay inside it
  lying.zoneTableEnd -= 3;   // records no longer on their 8-byte grid
  ExpectIndexAgreesEverywhere(lying);

  DirectoryImage reversed = ImageFromPlain(plain);
  std::swap(reversed.placeTableEnd, reversed.zoneTableEnd);
  ExpectIndexAgreesEverywhere(reversed);

  ExpectIndexAgreesEverywhere(DirectoryImage());
}

TEST(DirectoryIndex, LoaderBuildsItAndEditsMakeItStandAside) {
  DirectoryImage parsed;
  ASSERT_TRUE(
      ParseDeciphered(testing::WorkedImage() + std::string(6, '\0'), "worked", &parsed).ok());
  ASSERT_NE(parsed.index, nullptr);
  EXPECT_TRUE(parsed.index->Fits(parsed));
  const std::uint8_t key[3] = {0x39, 0x01, 0x23};
  const std::uint8_t other[3] = {0x39, 0x01, 0x24};

  // A copy shares the index and answers the same.
  DirectoryImage copy = parsed;
  EXPECT_EQ(QuerySegmentKey(copy, key).areaCode, "0311");

  // An image grown under the index (one more record) no longer fits it: the walk answers.
  DirectoryImage grown = parsed;
  std::string record = Record(2, "390124", 2, 1);
  grown.data.insert(grown.data.end(), record.begin(), record.end());
  grown.recordsEnd += 8;
  EXPECT_FALSE(grown.index->Fits(grown));
  EXPECT_EQ(QuerySegmentKey(grown, other).outcome, QueryAnswer::Outcome::kOk);
  QueryAnswer::Outcome outcome;
  AnswerTexts texts;
  EXPECT_FALSE(QuerySegmentKeyIndexed(grown, other, TextEncoding::kUtf8, &outcome, &texts));
}

// An image with far more record variants and place pairs than the index keeps, keys in every
// block, and long names, so that every budget is reached.
std::string CrowdedImage(size_t records) {
  std::vector<std::string> places;
  for (int i = 0; i < 800; ++i) {
    std::string name;
    while (name.size() < 62) name += kHebeiS;  // 河北河北...: 62 bytes of GBK
    name += static_cast<char>('0' + i % 10);
    places.push_back(name.substr(0, 63));
  }
  std::vector<std::string> zones = {places[0] + "," + places[1] + ":050000,0311"};
  std::string bytes;
  for (size_t i = 0; i < records; ++i) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06zu", (i * 7) % 1000000);
    bytes += Record(static_cast<unsigned>(i % 8), digits, static_cast<std::uint16_t>(1 + i % 400),
                    static_cast<std::uint16_t>(1 + i / 400));
  }
  // A few duplicates at the end, which must lose against their first.
  bytes += Record(1, "000000", 9, 9) + Record(2, "000007", 9, 9);
  return LayOutImage(places, zones, bytes);
}

TEST(DirectoryIndex, StaysWithinItsBudgetAndStillAgrees) {
  const size_t records = DirectoryIndex::kMaxVariants + 20000;
  DirectoryImage image = WithIndex(ImageFromPlain(CrowdedImage(records)));
  EXPECT_LE(image.index->MemoryBytes(), kIndexBudget);
  DirectoryImage walked = WithoutIndex(image);

  // The first record of each key, found once by a plain pass, stands in for the walk.
  std::unordered_map<std::uint32_t, SegmentRecord> first;
  for (size_t at = image.zoneTableEnd; at + 8 <= image.recordsEnd; at += 8) {
    SegmentRecord record;
    std::copy(image.data.begin() + at, image.data.begin() + at + 8, record.bytes.begin());
    first.try_emplace(record.bytes[1] << 16 | record.bytes[2] << 8 | record.bytes[3], record);
  }
  size_t copy_free = 0, walked_answers = 0;
  for (std::uint32_t k = 0; k < 1000000; ++k) {
    const std::uint8_t key[3] = {static_cast<std::uint8_t>((k / 100000 % 10) << 4 | k / 10000 % 10),
                                 static_cast<std::uint8_t>((k / 1000 % 10) << 4 | k / 100 % 10),
                                 static_cast<std::uint8_t>((k / 10 % 10) << 4 | k % 10)};
    std::optional<SegmentRecord> found = FindSegmentRecord(image, key);
    auto expected = first.find(key[0] << 16 | key[1] << 8 | key[2]);
    ASSERT_EQ(found.has_value(), expected != first.end()) << KeyText(key);
    if (!found) continue;
    ASSERT_EQ(found->bytes, expected->second.bytes) << KeyText(key);
    QueryAnswer::Outcome outcome;
    AnswerTexts texts;
    bool direct = QuerySegmentKeyIndexed(image, key, TextEncoding::kGbk, &outcome, &texts);
    (direct ? copy_free : walked_answers) += 1;
    if (k % 97 == 0) {
      QueryAnswer fast = QuerySegmentKey(image, key);
      SegmentFields fields = DecodeSegmentRecord(walked, expected->second);
      EXPECT_EQ(fast.province, fields.province) << KeyText(key);
      EXPECT_EQ(fast.city, fields.city.empty() ? fields.province : fields.city) << KeyText(key);
      if (direct) {
        EXPECT_EQ(texts.province, fields.province) << KeyText(key);
      }
    }
  }
  // Both kinds of answer were given: the budget was reached, and the index still helped.
  EXPECT_GT(copy_free, 0u);
  EXPECT_GT(walked_answers, 0u);
}

TEST(DirectoryIndex, BundledDirectoryAgreesWithTheWalk) {
  DirectoryImage image;
  Status status = LoadDirectory(KORVALIND_BUNDLED_DIRECTORY, &image);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_NE(image.index, nullptr);
  EXPECT_LE(image.index->MemoryBytes(), kIndexBudget);
  DirectoryImage walked = WithoutIndex(image);

  std::unordered_map<std::uint32_t, SegmentRecord> first;
  for (size_t at = image.zoneTableEnd; at + 8 <= image.recordsEnd; at += 8) {
    SegmentRecord record;
    std::copy(image.data.begin() + at, image.data.begin() + at + 8, record.bytes.begin());
    first.try_emplace(record.bytes[1] << 16 | record.bytes[2] << 8 | record.bytes[3], record);
  }
  ASSERT_GT(first.size(), 300000u);
  std::mt19937 random(2002);
  for (std::uint32_t k = 0; k < 1000000; ++k) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06u", k);
    std::uint8_t key[3];
    PackSegmentKey(digits, key);
    std::optional<SegmentRecord> found = FindSegmentRecord(image, key);
    auto expected = first.find(key[0] << 16 | key[1] << 8 | key[2]);
    ASSERT_EQ(found.has_value(), expected != first.end()) << digits;
    if (found) {
      ASSERT_EQ(found->bytes, expected->second.bytes) << digits;
    }
    // The walk itself, and the whole answer, on a sample.
    if (random() % 4001 == 0) {
      ExpectSameRecord(image, walked, key);
      ExpectSameAnswer(image, walked, key);
    }
  }
}

}  // namespace
}  // namespace korvalind
