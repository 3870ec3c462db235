#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "directory/directory_image.h"

namespace korvalind {

// How every reader of an image sees its tables; the walks and the index share these so that
// both give the same answers on any image, damaged ones included.

// A region of the image, clamped to the bytes actually held, so that no offset in a damaged file
// can lead a reader outside the block.
inline std::string_view ImageRegion(const DirectoryImage& image, std::uint32_t begin,
                                    std::uint32_t end) {
  size_t size = image.data.size();
  size_t b = std::min<size_t>(begin, size);
  size_t e = std::min<size_t>(std::max(begin, end), size);
  return {reinterpret_cast<const char*>(image.data.data()) + b, e - b};
}

inline std::string_view PlaceTableRegion(const DirectoryImage& image) {
  return ImageRegion(image, 0, image.placeTableEnd);
}
inline std::string_view ZoneTableRegion(const DirectoryImage& image) {
  return ImageRegion(image, image.placeTableEnd, image.zoneTableEnd);
}
inline std::string_view RecordRegion(const DirectoryImage& image) {
  return ImageRegion(image, image.zoneTableEnd, image.recordsEnd);
}

// What a reader sees of an entry: at most 63 bytes, up to the first NUL.
inline std::string_view VisibleEntry(std::string_view entry) {
  entry = entry.substr(0, kMaxEntryLength);
  size_t nul = entry.find('\0');
  return nul == std::string_view::npos ? entry : entry.substr(0, nul);
}

// Calls visit(entry) for each "|"-terminated entry of table until it returns true. Bytes after
// the last "|" count as one more entry.
template <typename Visit>
void ForEachEntry(std::string_view table, Visit visit) {
  size_t start = 0;
  while (start < table.size()) {
    size_t bar = table.find(kEntryTerminator, start);
    size_t end = bar == std::string_view::npos ? table.size() : bar;
    if (visit(table.substr(start, end - start))) return;
    start = end + 1;
  }
}

// A zone answer "postcode,areacode" split at its first ","; without a "," it is all area code.
inline void SplitZoneAnswer(std::string_view zone, std::string_view* post_code,
                            std::string_view* area_code) {
  size_t comma = zone.find(',');
  if (comma == std::string_view::npos) {
    *post_code = {};
    *area_code = zone;
  } else {
    *post_code = zone.substr(0, comma);
    *area_code = zone.substr(comma + 1);
  }
}

// The place texts of an answer: the province, the city (the province when the record names no
// city), and the postal and area codes of the zone answer found for the record's own
// "province,city" (an empty city keys as "province,").
struct ShownPlace {
  std::string_view province;
  std::string_view city;
  std::string_view postCode;
  std::string_view areaCode;
};
inline ShownPlace ShowPlace(std::string_view province, std::string_view city,
                            std::string_view zone) {
  ShownPlace shown{province, city.empty() ? province : city, {}, {}};
  SplitZoneAnswer(zone, &shown.postCode, &shown.areaCode);
  return shown;
}

// "province,city" -> the zone answer of the first entry that holds it before a ":", as
// ZoneLookup finds it. An entry with several ":" answers for each of its heads, as the walk would
// find it for each. The views point into image.
std::unordered_map<std::string_view, std::string_view> ZoneHeads(const DirectoryImage& image);

}  // namespace korvalind
