#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvalind {

// Why the two text tables of a plain image break the format, or empty when they keep it. image
// holds at least zoneTableEnd bytes and 0 <= placeTableEnd <= zoneTableEnd. Checked:
//   - each table is empty or ends with "|", so that every byte belongs to an entry or ends one;
//   - no entry holds a zero byte, is longer than 63 bytes or is not well-formed code page 936;
//   - each zone entry is empty or has the shape province "," city ":" postcode "," areacode,
//     with no further "," or ":" (any of the four parts may be empty).
// Allowed, as the format allows them: empty entries, repeated entries, any text in the parts.
// The answer names the table, the entry (counted from 1, as place indexes are) and its offset in
// the image: "zone entry 12 at offset 4711 is not province,city:postcode,areacode".
std::string FindTableFault(std::string_view image, std::uint32_t placeTableEnd,
                           std::uint32_t zoneTableEnd);

enum class TableKind { kPlace, kZone };

// Why entry cannot stand in a table of that kind as FindTableFault reads it back ("is 70 bytes
// long, more than 63", "is not province,city:postcode,areacode", ...), or empty when it can.
// Writers check every entry with it, so that what they write always loads.
std::string DirectoryEntryFault(std::string_view entry, TableKind kind);

// Why gbk cannot be a place name brought into a directory from outside, or empty when it can:
// DirectoryEntryFault, and besides neither "," nor ":" (which separate the parts of a zone
// entry), no byte 0x7C even as the second byte of a character, and no control byte. The reason
// reads after the name: "holds \":\", which separates the parts of a zone entry".
std::string UnfitPlaceName(std::string_view gbk);

}  // namespace korvalind
