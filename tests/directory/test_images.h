#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/directory_image.h"

namespace korvalind::testing {

// GBK names used across the tests.
inline constexpr std::string_view kHebei = "\xba\xd3\xb1\xb1";                 // 河北
inline constexpr std::string_view kShijiazhuang = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
inline constexpr std::string_view kBaoding = "\xb1\xa3\xb6\xa8";               // 保定

// The worked 58-byte image: places 河北|石家庄|, the zone entry 河北,石家庄:050000,0311 and two
// empty entries, one record (1390123, kind 1, city 2, province 1), trailer 12, 38, 46.
std::string WorkedImage();

// An image laid out from its parts: each name and zone entry followed by "|", the records as
// given, then the trailer. No padding: the caller chooses the lengths.
std::string LayOutImage(const std::vector<std::string>& places,
                        const std::vector<std::string>& zones, std::string_view records);

// An 8-byte record with the given kind, key digits (six of them) and place indexes.
std::string Record(unsigned kind, std::string_view six_digits, std::uint16_t city,
                   std::uint16_t province);

// The image in memory without going through a file (trailer taken from the last 12 bytes).
DirectoryImage ImageFromPlain(std::string_view plain);

}  // namespace korvalind::testing
