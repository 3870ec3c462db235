#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/large_buffer.h"
#include "platform/status.h"
#include "tools/segment_conversion.h"

namespace korvalind {

// The loader reads a plain image back only when its zone table ends 6 bytes past a multiple of 8
// (the image is then 2 bytes past one). The builder pads the zone table with empty entries, a
// single "|" each, until it does; an empty entry never matches a zone look-up.
inline constexpr std::uint32_t kZoneTableEndModulus = 8;
inline constexpr std::uint32_t kZoneTableEndRemainder = 6;

// What one plain image holds.
struct ImageStats {
  size_t places = 0;       // place table entries
  size_t zones = 0;        // zone table entries, padding excluded
  size_t zonePadding = 0;  // empty zone entries added for loading
  size_t records = 0;
  std::uint64_t plainSize = 0;
};

// Lays out a plain directory image: every place followed by "|", every zone line followed by
// "|", the padding, the records, then the region ends placeTableEnd, zoneTableEnd and recordsEnd
// as 32-bit little-endian words. Entries are written as they stand. Refuses records whose length
// is not a multiple of 8 (recordsName names them) and images beyond the 32-bit offsets.
Status AssembleDirectoryImage(std::span<const std::string> places,
                              std::span<const std::string> zones, std::string_view records,
                              const std::string& recordsName, LargeBytes* image,
                              ImageStats* stats = nullptr);

// Appends every line of dataFolder/zone to ZoneList. On error ZoneList is untouched.
Status LoadZoneList(const std::string& dataFolder);

// Appends dataFolder/city (from its second line on) to PlaceList and dataFolder/zone to ZoneList,
// then writes the plain image of both lists and the record file dataFolder/binary as
// dataFolder/Korvalind.dat. The three inputs are read and checked before anything is appended or
// written; on any error the lists are as they were and Korvalind.dat is not created or changed.
Status BuildDirectory(const std::string& dataFolder, ImageStats* stats = nullptr);

struct MakeDirectoryStats {
  size_t rows = 0;       // segment rows converted
  size_t places = 0;     // place table entries
  size_t newCities = 0;  // cities the dump added to the place names
  size_t zones = 0;      // zone lines, padding excluded
  size_t zonePadding = 0;
  size_t records = 0;
  std::uint64_t plainSize = 0;   // dataFolder/Korvalind.dat
  std::uint64_t outputSize = 0;  // the enciphered outputPath
};

// The whole maintainer pipeline in one step: the area-code conversion, the segment conversion,
// then one plain image whose place table is PlaceList after the conversion (in a fresh process:
// the place names followed by the cities the dump added) and whose zone table is this run's zone
// lines, padded for loading. Leaves zone, binary, output.txt, offset and the plain Korvalind.dat
// in dataFolder as the single steps would, and writes the image enciphered with CipherKey to
// outputPath. All three inputs are read before anything is written; on any error no file is
// created or changed and both lists are as they were.
Status MakeDirectory(const std::string& dataFolder, const std::string& outputPath,
                     const ProgressCallback& progress = nullptr,
                     MakeDirectoryStats* stats = nullptr);

}  // namespace korvalind
