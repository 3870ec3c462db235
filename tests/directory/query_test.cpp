#include "directory/query.h"

#include <gtest/gtest.h>

#include <bitset>
#include <string>
#include <vector>

#include "directory/directory_index.h"
#include "directory/loader.h"
#include "directory/test_images.h"

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

TEST(IsValidSegmentText, AcceptsThirteenPrefixesAndSevenDigits) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"1300000", true},
      {"1310000", true},
      {"1330000", true},
      {"1350000", true},
      {"1360000", true},
      {"1370000", true},
      {"1380000", true},
      {"1390000", true},
      {"1390123abc", true},  // bytes after the seventh are not looked at
      {"1390123\xff", true},
      {"1320000", false},
      {"1340000", false},
      {"130000", false},
      {"13a0000", false},
      {"1390a23", false},
      {"1400000", false},
      {"2390123", false},
      {"", false},
      {" 1390123", false},
      {"139012", false},
      {"+861390123", false},
      {std::string("13900\0"
                   "00",
                   8),
       false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidSegmentText(c.text), c.valid) << c.text;
}

TEST(Query, WorkedImageAnswersAndMisses) {
  DirectoryImage image = ImageFromPlain(testing::WorkedImage());
  EXPECT_EQ(SegmentCount(image), 1u);

  QueryAnswer found = QueryNumber(image, "1390123");
  ASSERT_EQ(found.outcome, QueryAnswer::Outcome::kOk);
  EXPECT_EQ(found.province, kHebeiS);
  EXPECT_EQ(found.city, kShijiazhuangS);
  EXPECT_EQ(found.simType, "\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8");  // 移动全球通
  EXPECT_EQ(found.postCode, "050000");
  EXPECT_EQ(found.areaCode, "0311");

  EXPECT_EQ(QueryNumber(image, "1390124").outcome, QueryAnswer::Outcome::kNotFound);
  EXPECT_EQ(found.kind, 1);
  EXPECT_EQ(found.segment, 1390123u);
  EXPECT_EQ(found.plan.carrier, Carrier::kChinaMobile);
  // 132 and 186 are mobile segments the worked image does not hold: missed, not refused.
  const QueryAnswer missed = QueryNumber(image, "1320123");
  EXPECT_EQ(missed.outcome, QueryAnswer::Outcome::kNotFound);
  EXPECT_EQ(missed.plan.carrier, Carrier::kChinaUnicom);
  EXPECT_EQ(QueryNumber(image, "1220000").outcome, QueryAnswer::Outcome::kInvalid);
  EXPECT_EQ(QueryNumber(image, "1390123xyz").city, kShijiazhuangS);
}

TEST(Query, EmptyImageFindsNothing) {
  DirectoryImage empty;
  EXPECT_EQ(SegmentCount(empty), 0u);
  EXPECT_EQ(QueryNumber(empty, "1390123").outcome, QueryAnswer::Outcome::kNotFound);
  EXPECT_EQ(PlaceName(empty, 1), "");
  EXPECT_EQ(ZoneLookup(empty, kHebeiS, kShijiazhuangS), "");
}

TEST(Query, FirstOfDuplicateKeysWins) {
  std::string records = Record(1, "390123", 2, 1) + Record(3, "390123", 3, 1);
  DirectoryImage image =
      ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS, kBaodingS}, {}, records));
  QueryAnswer answer = QueryNumber(image, "1390123");
  EXPECT_EQ(answer.city, kShijiazhuangS);
  EXPECT_EQ(answer.simType, std::string(SimKindLabel(1)));
}

TEST(Query, LastRecordIsExamined) {
  std::string records = Record(1, "300000", 2, 1) + Record(2, "399999", 2, 1);
  DirectoryImage image = ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS}, {}, records));
  EXPECT_EQ(QueryNumber(image, "1399999").outcome, QueryAnswer::Outcome::kOk);
}

TEST(Query, MissingCityShowsProvinceAndKeysZoneWithEmptyCity) {
  // The first zone entry is another city of the same province: a bare prefix match would take
  // its codes for the record that has no city.
  std::vector<std::string> zones = {kHebeiS + "," + kShijiazhuangS + ":050000,0311",
                                    kHebeiS + ",:050001,0312"};
  DirectoryImage image =
      ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS}, zones, Record(1, "390123", 0, 1)));
  QueryAnswer answer = QueryNumber(image, "1390123");
  ASSERT_EQ(answer.outcome, QueryAnswer::Outcome::kOk);
  EXPECT_EQ(answer.province, kHebeiS);
  EXPECT_EQ(answer.city, kHebeiS);
  EXPECT_EQ(answer.postCode, "050001");
  EXPECT_EQ(answer.areaCode, "0312");
}

TEST(ZoneLookup, MatchesOnlyTheWholeProvinceAndCity) {
  // "河北,石家" is a prefix of "河北,石家庄": the shorter key must not take that entry, and a cut
  // through a double-byte character must never be returned.
  std::vector<std::string> zones = {kHebeiS + "," + kShijiazhuangS + ":050000,0311",
                                    kHebeiS + "," + kBaodingS + ":071000,0312"};
  DirectoryImage image = ImageFromPlain(LayOutImage({}, zones, ""));
  EXPECT_EQ(ZoneLookup(image, kHebeiS, kShijiazhuangS), "050000,0311");
  EXPECT_EQ(ZoneLookup(image, kHebeiS, kBaodingS), "071000,0312");
  EXPECT_EQ(ZoneLookup(image, kHebeiS, kShijiazhuangS.substr(0, 4)), "");
  EXPECT_EQ(ZoneLookup(image, kHebeiS, ""), "");
  EXPECT_EQ(ZoneLookup(image, "", ""), "");
}

TEST(ZoneLookup, EmptyPaddingEntriesNeverMatch) {
  DirectoryImage image = ImageFromPlain(LayOutImage({}, {"", "", ":x", ","}, ""));
  EXPECT_EQ(ZoneLookup(image, "", ""), "");
}

TEST(Query, ZoneWithoutCommaIsAllAreaCode) {
  std::vector<std::string> zones = {kHebeiS + "," + kShijiazhuangS + ":0311"};
  DirectoryImage image =
      ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS}, zones, Record(1, "390123", 2, 1)));
  QueryAnswer answer = QueryNumber(image, "1390123");
  EXPECT_EQ(answer.postCode, "");
  EXPECT_EQ(answer.areaCode, "0311");
}

TEST(Query, KindsShowTheirLabels) {
  const std::string expected[8] = {
      "",
      "\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8",  // 移动全球通
      "\xd2\xc6\xb6\xaf\xd4\xa4\xb8\xb6\xb7\xd1",  // 移动预付费
      "\xc1\xaa\xcd\xa8"
      "130"
      "\xbf\xa8",                                          // 联通130卡
      "\xc1\xaa\xcd\xa8\xd4\xa4\xb8\xb6\xb7\xd1\xbf\xa8",  // 联通预付费卡
      "\xc1\xaa\xcd\xa8"
      "CDMA"
      "\xbf\xa8\xa3\xa8"
      "133"
      "\xa3\xa9",                          // 联通CDMA卡（133）
      "\xd6\xd0\xb9\xfa\xb5\xe7\xd0\xc5",  // 中国电信
      "\xd6\xd0\xb9\xfa\xb9\xe3\xb5\xe7",  // 中国广电
  };
  std::string records;
  for (unsigned kind = 0; kind < 8; ++kind) {
    records += Record(kind, "39012" + std::to_string(kind), 2, 1);
  }
  DirectoryImage walked = ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS}, {}, records));
  DirectoryImage indexed = ImageFromPlain(LayOutImage({kHebeiS, kShijiazhuangS}, {}, records));
  indexed.index = DirectoryIndex::Build(indexed);
  for (const DirectoryImage* image : {&walked, &indexed}) {
    for (unsigned kind = 0; kind < 8; ++kind) {
      QueryAnswer answer = QueryNumber(*image, "139012" + std::to_string(kind));
      ASSERT_EQ(answer.outcome, QueryAnswer::Outcome::kOk) << kind;
      EXPECT_EQ(answer.simType, expected[kind]) << kind;
    }
  }
}

// Each image once without and once with its index: the rule must not depend on which one answers.
std::vector<DirectoryImage> BothWays(const std::string& plain) {
  std::vector<DirectoryImage> images;
  images.push_back(ImageFromPlain(plain));
  images.push_back(ImageFromPlain(plain));
  images.back().index = DirectoryIndex::Build(images.back());
  return images;
}

TEST(IsAcceptedSegmentText, FollowsThePrefixesTheDirectoryHolds) {
  // 13x and 18x segments, and one whose key is not decimal (it holds no prefix).
  const std::string mixed = LayOutImage({kHebeiS, kShijiazhuangS}, {},
                                        Record(1, "390123", 2, 1) + Record(3, "860000", 2, 1) +
                                            Record(6, "890000", 2, 1) +
                                            std::string("\x20\x5a\x00\x00\x02\x00\x01\x00", 8));
  struct Case {
    std::string text;
    QueryAnswer::Outcome worked;  // on the worked image: only 139 held
    QueryAnswer::Outcome mixed;
  };
  using O = QueryAnswer::Outcome;
  const Case cases[] = {
      {"1390123", O::kOk, O::kOk},
      {"1300000", O::kNotFound, O::kNotFound},  // the number plan needs no held prefix
      {"1320000", O::kNotFound, O::kNotFound},
      {"1860000", O::kNotFound, O::kOk},
      {"18600001234", O::kNotFound, O::kOk},    // a whole number: digits after seven not used
      {"1860001", O::kNotFound, O::kNotFound},  // held prefix, segment missing
      {"1890000", O::kNotFound, O::kOk},
      {"1850000", O::kNotFound, O::kNotFound},  // 185 is not held, but in the plan
      {"1990000", O::kNotFound, O::kNotFound},
      {"1740599", O::kNotFound, O::kNotFound},  // 17400-17405 are in the plan, 17406 is not
      {"1740600", O::kInvalid, O::kInvalid},
      {"1000000", O::kInvalid, O::kInvalid},
      {"15a0000", O::kInvalid, O::kInvalid},
      {"186000", O::kInvalid, O::kInvalid},  // six characters
      {"2860000", O::kInvalid, O::kInvalid},
      {"1220000", O::kInvalid, O::kInvalid},
      {"12345", O::kInvalid, O::kInvalid},
      {"5a00000", O::kInvalid, O::kInvalid},  // the non-decimal key's digits are not a segment
      {" 1860000", O::kInvalid, O::kInvalid},
  };
  for (const DirectoryImage& image : BothWays(testing::WorkedImage())) {
    for (const Case& c : cases) {
      EXPECT_EQ(QueryNumber(image, c.text).outcome, c.worked) << "worked " << c.text;
      EXPECT_EQ(IsAcceptedSegmentText(image, c.text), c.worked != O::kInvalid) << c.text;
    }
    std::bitset<100> only139;
    only139[39] = true;
    EXPECT_EQ(HeldPrefixes(image), only139);
  }
  for (const DirectoryImage& image : BothWays(mixed)) {
    for (const Case& c : cases) {
      EXPECT_EQ(QueryNumber(image, c.text).outcome, c.mixed) << "mixed " << c.text;
    }
    EXPECT_EQ(HeldPrefixes(image).count(), 3u);
    EXPECT_TRUE(HeldPrefixes(image)[86] && HeldPrefixes(image)[89]);
    EXPECT_EQ(QueryNumber(image, "1890000").simType, "\xd6\xd0\xb9\xfa\xb5\xe7\xd0\xc5");
  }
}

TEST(IsAcceptedSegmentText, EmptyAndDamagedDirectoriesKeepTheNumberPlan) {
  DirectoryImage empty;
  DirectoryImage damaged;
  std::string plain = testing::WorkedImage();
  plain.back() ^= 0x40;  // recordsEnd no longer fits the file
  EXPECT_FALSE(ParseDeciphered(plain + std::string(6, '\0'), "worked", &damaged).ok());
  for (const DirectoryImage* image : {&empty, &damaged}) {
    EXPECT_TRUE(HeldPrefixes(*image).none());
    EXPECT_TRUE(IsAcceptedSegmentText(*image, "1390123"));
    EXPECT_TRUE(IsAcceptedSegmentText(*image, "1860000"));
    EXPECT_TRUE(IsAcceptedSegmentText(*image, "1320000"));
    EXPECT_FALSE(IsAcceptedSegmentText(*image, "1220000"));
    EXPECT_EQ(QueryNumber(*image, "1860000").outcome, QueryAnswer::Outcome::kNotFound);
  }
}

TEST(PlaceName, IndexesCountFromOneAndEndAtTheTable) {
  DirectoryImage image = ImageFromPlain(LayOutImage({kHebeiS, "", kShijiazhuangS}, {"x"}, ""));
  EXPECT_EQ(PlaceName(image, 0), "");
  EXPECT_EQ(PlaceName(image, 1), kHebeiS);
  EXPECT_EQ(PlaceName(image, 2), "");  // an empty entry still takes its index
  EXPECT_EQ(PlaceName(image, 3), kShijiazhuangS);
  EXPECT_EQ(PlaceName(image, 4), "");  // the zone table is not read as places
  EXPECT_EQ(PlaceName(image, 65535), "");
}

TEST(PlaceName, LongEntriesAreCutTo63Bytes) {
  std::string long_name(100, 'n');
  std::string long_zone = kHebeiS + "," + std::string(70, 'c');
  DirectoryImage image = ImageFromPlain(LayOutImage({long_name}, {long_zone + ":050000,0311"}, ""));
  EXPECT_EQ(PlaceName(image, 1), std::string(63, 'n'));
  // The key is longer than what a reader keeps of the entry: it cannot match.
  EXPECT_EQ(ZoneLookup(image, kHebeiS, std::string(70, 'c')), "");
}

TEST(Query, OffsetsBeyondTheDataAreNotFollowed) {
  // An image built in memory whose offsets lie: readers stay inside data.
  DirectoryImage image = ImageFromPlain(testing::WorkedImage());
  image.placeTableEnd = 1000;
  image.zoneTableEnd = 2000;
  image.recordsEnd = 4000;
  EXPECT_EQ(QueryNumber(image, "1390123").outcome, QueryAnswer::Outcome::kNotFound);
  EXPECT_EQ(PlaceName(image, 2), kShijiazhuangS);
  image.placeTableEnd = 50;
  image.zoneTableEnd = 10;  // out of order
  EXPECT_EQ(ZoneLookup(image, kHebeiS, kShijiazhuangS), "");
}

}  // namespace
}  // namespace korvalind
