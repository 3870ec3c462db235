#include "directory/test_images.h"

#include "directory/segment_record.h"

namespace korvalind::testing {
namespace {

void AppendU32(std::string* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t U32At(std::string_view bytes, size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace

std::string WorkedImage() {
  std::string image;
  image += std::string(kHebei) + "|" + std::string(kShijiazhuang) + "|";
  image += std::string(kHebei) + "," + std::string(kShijiazhuang) + ":050000,0311|||";
  image += std::string("\x20\x39\x01\x23\x02\x00\x01\x00", 8);
  image += std::string("\x0c\x00\x00\x00\x26\x00\x00\x00\x2e\x00\x00\x00", 12);
  return image;
}

std::string LayOutImage(const std::vector<std::string>& places,
                        const std::vector<std::string>& zones, std::string_view records) {
  std::string image;
  for (const std::string& place : places) image += place + "|";
  auto place_end = static_cast<std::uint32_t>(image.size());
  for (const std::string& zone : zones) image += zone + "|";
  auto zone_end = static_cast<std::uint32_t>(image.size());
  image += records;
  auto records_end = static_cast<std::uint32_t>(image.size());
  AppendU32(&image, place_end);
  AppendU32(&image, zone_end);
  AppendU32(&image, records_end);
  return image;
}

std::string Record(unsigned kind, std::string_view six_digits, std::uint16_t city,
                   std::uint16_t province) {
  std::string record(8, '\0');
  record[0] = static_cast<char>(kind << 5);
  for (int i = 0; i < 3; ++i) {
    record[1 + i] =
        static_cast<char>((six_digits[2 * i] - '0') << 4 | (six_digits[2 * i + 1] - '0'));
  }
  record[4] = static_cast<char>(city & 0xFF);
  record[5] = static_cast<char>(city >> 8);
  record[6] = static_cast<char>(province & 0xFF);
  record[7] = static_cast<char>(province >> 8);
  return record;
}

DirectoryImage ImageFromPlain(std::string_view plain) {
  DirectoryImage image;
  size_t trailer = plain.size() - kTrailerSize;
  image.placeTableEnd = U32At(plain, trailer);
  image.zoneTableEnd = U32At(plain, trailer + 4);
  image.recordsEnd = U32At(plain, trailer + 8);
  image.data.assign(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(trailer));
  return image;
}

}  // namespace korvalind::testing
