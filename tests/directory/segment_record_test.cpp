#include "directory/segment_record.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace korvalind {
namespace {

TEST(PackSegmentKey, PacksPairsOfCharacters) {
  struct Case {
    std::string text;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {"390123", {0x39, 0x01, 0x23}},
      {"12345", {0x12, 0x34, 0x50}},  // odd length: a "0" is appended first
      {"999999", {0x99, 0x99, 0x99}},
      {"000000", {0x00, 0x00, 0x00}},
      // Not digits: (c1 * 16 + c2 - 48) kept to 8 bits, so "ab" gives 0x61*16 + 0x62 - 48.
      {"ab", {static_cast<std::uint8_t>(0x61 * 16 + 0x62 - 48)}},
  };
  for (const Case& c : cases) {
    std::array<std::uint8_t, 4> out{0xEE, 0xEE, 0xEE, 0xEE};
    PackSegmentKey(c.text, out.data());
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(out[i], c.expected[i]) << c.text << " byte " << i;
    }
    // Nothing is written past the packed bytes.
    EXPECT_EQ(out[c.expected.size()], 0xEE) << c.text;
  }
}

TEST(PackSegmentKey, EmptyTextWritesNothing) {
  std::uint8_t out = 0x5A;
  PackSegmentKey("", &out);
  EXPECT_EQ(out, 0x5A);
}

TEST(SegmentRecord, KindIsTheTopThreeBitsOfByteZero) {
  SegmentRecord record;
  for (int byte = 0; byte < 256; ++byte) {
    record.bytes[0] = static_cast<std::uint8_t>(byte);
    EXPECT_EQ(record.kind(), byte / 32) << byte;
  }
  record.bytes[0] = 0x1F;  // bits 4-0 survive setting the kind
  record.setKind(5);
  EXPECT_EQ(record.bytes[0], 0xBF);
}

TEST(SegmentRecord, PlaceIndexesAreLittleEndian) {
  SegmentRecord record;
  record.setCityIndex(0x1234);
  record.setProvinceIndex(0xFFFE);
  EXPECT_EQ(record.bytes[4], 0x34);
  EXPECT_EQ(record.bytes[5], 0x12);
  EXPECT_EQ(record.bytes[6], 0xFE);
  EXPECT_EQ(record.bytes[7], 0xFF);
  EXPECT_EQ(record.cityIndex(), 0x1234);
  EXPECT_EQ(record.provinceIndex(), 0xFFFE);
}

}  // namespace
}  // namespace korvalind
