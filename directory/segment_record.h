#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvalind {

// One number segment, 8 bytes:
//   byte 0     bits 7-5: SIM card kind (0-7); bits 4-0 unused, written as zero
//   bytes 1-3  segment key: digits 2-7 of the segment as packed decimal (1390123 -> 39 01 23)
//   bytes 4-5  cityIndex, u16 little-endian place index (0: no place)
//   bytes 6-7  provinceIndex, u16 little-endian place index
inline constexpr size_t kSegmentRecordSize = 8;
inline constexpr size_t kSegmentKeySize = 3;

struct SegmentRecord {
  std::array<std::uint8_t, kSegmentRecordSize> bytes{};

  int kind() const { return bytes[0] >> 5; }
  std::uint16_t cityIndex() const { return static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8)); }
  std::uint16_t provinceIndex() const {
    return static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
  }
  void setKind(unsigned kind) {
    bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0x1F) | ((kind & 7u) << 5));
  }
  void setCityIndex(std::uint16_t index) {
    bytes[4] = static_cast<std::uint8_t>(index);
    bytes[5] = static_cast<std::uint8_t>(index >> 8);
  }
  void setProvinceIndex(std::uint16_t index) {
    bytes[6] = static_cast<std::uint8_t>(index);
    bytes[7] = static_cast<std::uint8_t>(index >> 8);
  }
};

// The text form of one segment: the seven digits, province, city (may be empty), kind as text.
struct SegmentFields {
  std::string segment;
  std::string province;
  std::string city;
  std::string kindDigit;
};

// Packs text into (n + 1) / 2 bytes at out, a "0" appended first when n is odd: byte i/2 =
// (text[i] * 16 + text[i+1] - 48) & 0xFF. For digits this is packed decimal. Empty text writes
// nothing.
void PackSegmentKey(std::string_view text, std::uint8_t* out);

}  // namespace korvalind
