#include "directory/image_check.h"

#include "directory/directory_image.h"
#include "platform/gbk.h"

namespace korvalind {
namespace {

// The zone entry shape: one "," before the single ":", one "," after it.
bool IsZoneShape(std::string_view entry) {
  const size_t colon = entry.find(':');
  if (colon == std::string_view::npos || entry.find(':', colon + 1) != std::string_view::npos) {
    return false;
  }
  const std::string_view place = entry.substr(0, colon);
  const std::string_view codes = entry.substr(colon + 1);
  const size_t place_comma = place.find(',');
  const size_t code_comma = codes.find(',');
  return place_comma != std::string_view::npos &&
         place.find(',', place_comma + 1) == std::string_view::npos &&
         code_comma != std::string_view::npos &&
         codes.find(',', code_comma + 1) == std::string_view::npos;
}

std::string EntryFault(std::string_view entry, bool zone) {
  if (entry.find('\0') != std::string_view::npos) return "holds a zero byte";
  if (entry.find(kEntryTerminator) != std::string_view::npos) {
    return "holds \"|\" (the byte 0x7C, alone or as the second byte of a character), which "
           "ends a directory entry";
  }
  if (entry.size() > kMaxEntryLength) {
    return "is " + std::to_string(entry.size()) + " bytes long, more than " +
           std::to_string(kMaxEntryLength);
  }
  if (!IsWellFormedGbk(entry)) return "is not code page 936 text";
  if (zone && !entry.empty() && !IsZoneShape(entry)) {
    return "is not province,city:postcode,areacode";
  }
  return {};
}

// The first fault of the table that begins at offset begin of the image.
std::string TableFault(std::string_view table, std::uint32_t begin, bool zone) {
  const char* kind = zone ? "zone" : "place";
  if (!table.empty() && table.back() != kEntryTerminator) {
    const size_t last = table.rfind(kEntryTerminator);
    const size_t start = last == std::string_view::npos ? 0 : last + 1;
    return std::string("the ") + kind + " table ends in the middle of an entry (at offset " +
           std::to_string(begin + start) + ", without a \"|\")";
  }
  size_t number = 1;
  for (size_t start = 0; start < table.size(); ++number) {
    const size_t end = table.find(kEntryTerminator, start);
    std::string why = EntryFault(table.substr(start, end - start), zone);
    if (!why.empty()) {
      return std::string(kind) + " entry " + std::to_string(number) + " at offset " +
             std::to_string(begin + start) + " " + why;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string FindTableFault(std::string_view image, std::uint32_t placeTableEnd,
                           std::uint32_t zoneTableEnd) {
  std::string why = TableFault(image.substr(0, placeTableEnd), 0, false);
  if (!why.empty()) return why;
  return TableFault(image.substr(placeTableEnd, zoneTableEnd - placeTableEnd), placeTableEnd, true);
}

std::string DirectoryEntryFault(std::string_view entry, TableKind kind) {
  return EntryFault(entry, kind == TableKind::kZone);
}

std::string UnfitPlaceName(std::string_view gbk) {
  for (char c : gbk) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789abcdef";
      return std::string("holds the control byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
    }
  }
  if (gbk.find(',') != std::string_view::npos || gbk.find(':') != std::string_view::npos) {
    return std::string("holds \"") + (gbk.find(',') != std::string_view::npos ? ',' : ':') +
           "\", which separates the parts of a zone entry";
  }
  return EntryFault(gbk, false);
}

}  // namespace korvalind
