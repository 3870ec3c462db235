#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvalind {

// The three inputs of the maintainer pipeline, in code page 936 with CR LF line ends, in the
// shapes of the bundled dumps:
//   city           the heading "地名", then one place name per line
//   areacode       one zone per line: 'province','city','postcode','areacode')
//   simcard2.sql   "-- segment table dump", "INSERT INTO `simcard` VALUES", then one row per
//                  segment: (n,'segment','province','city','kind','areacode'), the last one
//                  closed by ";" instead of ","
struct DumpTexts {
  std::string city;
  std::string areacode;
  std::string segments;
};

// Writes the dumps field by field. The pipeline cuts fields by position (every "," separates
// fields, quotes are cut off, the zone fields after the province are trimmed, the area code
// ends at ")"): a text that would be read back as another is refused, with a message naming it.
class DumpWriter {
 public:
  DumpWriter();

  // Room for rows segment rows of about bytesPerRow bytes each.
  void ReserveSegments(size_t rows, size_t bytesPerRow);

  Status AddPlace(std::string_view name);
  Status AddZone(std::string_view province, std::string_view city, std::string_view postCode,
                 std::string_view areaCode);
  // segment is written as given (seven characters for the key to come back whole); kind is 0 to
  // 7.
  Status AddSegment(std::string_view segment, std::string_view province, std::string_view city,
                    int kind, std::string_view areaCode);

  size_t places() const { return places_; }
  size_t zones() const { return zones_; }
  size_t segments() const { return segments_; }

  // The texts; the writer is spent.
  DumpTexts Finish();

 private:
  DumpTexts texts_;
  size_t places_ = 0;
  size_t zones_ = 0;
  size_t segments_ = 0;
};

// Why text cannot stand as a field of the dumps ("holds \",\"", ...), or empty when it can.
std::string UnwritableField(std::string_view text);

// Writes city, areacode and simcard2.sql into folder, each under a temporary name first; the
// three replace their targets only when all are complete.
Status WriteDumpFiles(const std::string& folder, const DumpTexts& texts);

}  // namespace korvalind
