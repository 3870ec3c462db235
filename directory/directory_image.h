#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/large_buffer.h"

namespace korvalind {

// The plain directory image, as the builder writes it and the loader reads it back:
//
//   offset 0             PlaceTable   place names, each followed by "|" (0x7C); index 1, 2, ...
//   placeTableEnd        ZoneTable    "province,city:postcode,areacode" entries, each + "|"
//   zoneTableEnd         records      N SegmentRecords of 8 bytes, N = (recordsEnd-zoneTableEnd)/8
//   recordsEnd           trailer      placeTableEnd, zoneTableEnd, recordsEnd: u32 little-endian
//
// No header, magic or checksum. Text is code page 936 without NULs; "|" never occurs inside an
// entry and entries are at most 63 bytes. Invariant: 0 <= placeTableEnd <= zoneTableEnd <=
// recordsEnd, (recordsEnd - zoneTableEnd) % 8 == 0.
inline constexpr size_t kTrailerSize = 12;
inline constexpr char kEntryTerminator = '|';
// Readers copy entries into 64-byte zero-filled buffers, so at most 63 bytes of an entry count.
inline constexpr size_t kMaxEntryLength = 63;

class DirectoryIndex;

// The in-memory directory. data holds the image bytes [0, recordsEnd) (the trailer excluded), in
// a buffer placed for few page faults (a vector of bytes in every other respect);
// empty, with all offsets 0, before anything is loaded: a directory with no places, zones or
// records. Readers never look past data.size(), whatever the offsets say.
//
// index is optional: the loader builds one (directory/directory_index.h) so that a query does
// not walk the records; readers use it only while it fits the image and walk the tables
// otherwise, with the same answers. Whoever edits data in place must rebuild or drop it.
struct DirectoryImage {
  LargeBytes data;
  std::uint32_t placeTableEnd = 0;
  std::uint32_t zoneTableEnd = 0;
  std::uint32_t recordsEnd = 0;
  std::shared_ptr<const DirectoryIndex> index;
};

// (recordsEnd - zoneTableEnd) / 8, remainder dropped; 0 for an empty image.
std::uint32_t SegmentCount(const DirectoryImage& image);

}  // namespace korvalind
