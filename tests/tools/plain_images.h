#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/directory_image.h"

namespace korvalind::testing {

// A plain image laid out from its parts: each place and zone entry followed by "|", the records
// as given, then the trailer. No padding: the caller chooses the lengths.
std::string PlainImage(const std::vector<std::string>& places,
                       const std::vector<std::string>& zones, std::string_view records);

// The 8 bytes of a record: kind, six key digits, city and province indexes.
std::string RecordBytes(unsigned kind, std::string_view six_digits, std::uint16_t city,
                        std::uint16_t province);

// The image of a plain image in memory, its trailer taken from the last 12 bytes, without an
// index.
DirectoryImage ImageOfPlain(std::string_view plain);

}  // namespace korvalind::testing
