#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "directory/segment_record.h"
#include "platform/large_buffer.h"
#include "platform/status.h"

namespace korvalind {

// Records hold 16-bit place indexes; a place beyond this index cannot be named by a record.
inline constexpr int kMaxPlaceIndex = 65535;

// How far a long conversion has got, for a progress display.
struct ConversionProgress {
  size_t rows = 0;        // segment rows converted so far
  size_t bytesDone = 0;   // bytes of the dump examined so far
  size_t bytesTotal = 0;  // size of the dump
};
// Called now and then during a conversion and once when it has examined the whole dump.
using ProgressCallback = std::function<void(const ConversionProgress&)>;

struct SegmentStats {
  size_t rows = 0;       // records written
  size_t newCities = 0;  // cities the dump added to PlaceList
  size_t places = 0;     // entries of PlaceList after the run
};

// Appends the lines of a place-name file held in memory to PlaceList, all but the first line,
// exactly as read (empty lines too, no test for names already present).
void AppendPlaceNames(std::string_view placeNameText);

// AppendPlaceNames of dataFolder/city. On error PlaceList is untouched.
Status LoadPlaceList(const std::string& dataFolder);

// Fills *record from the text form of a segment: the key from the last six bytes of segment (all
// of it when shorter), the place indexes of city and province (low 16 bits) and, in bits 7-5 of
// byte 0, the low three bits of kindDigit read as the C library's atol reads it. Every other bit
// is zero.
void MakeSegmentRecord(const SegmentFields& fields, SegmentRecord* record);

// Converts one dump line. A line that is not a row gives "" and changes nothing. Otherwise a
// city of more than 2 bytes that PlaceList lacks is appended to it, the row's 8 record bytes are
// appended to *records and the listing text (the row's core and one CR) is returned. A row whose
// city or province index would exceed kMaxPlaceIndex is refused: *status says so, nothing is
// appended to *records and "" is returned (a city it added stays in PlaceList).
std::string ConvertSegmentRow(std::string_view line, std::string* records, Status* status);

// The outputs of one conversion, held in memory until they are all known. Large buffers: the
// bundled dump gives megabytes of each.
struct SegmentOutput {
  LargeBytes records;  // the record file
  LargeBytes listing;  // the listing
  SegmentStats stats;
};

// The bytes of a large buffer as text.
inline std::string_view BytesView(const LargeBytes& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Converts every line of a dump held in memory (dumpPath only names it in messages), appending
// new cities to PlaceList. On error PlaceList is as it was before the call.
Status ConvertSegmentDump(std::string_view dumpText, const std::string& dumpPath,
                          const ProgressCallback& progress, SegmentOutput* out);

// Converts dataFolder/simcard2.sql, with the place names of dataFolder/city, into the record file
// dataFolder/binary and the listing dataFolder/output.txt, and leaves dataFolder/offset empty.
// Both inputs are read whole before any output is written; on any error no output is created or
// changed, PlaceList is as it was, and the message names the file.
Status ConvertSegments(const std::string& dataFolder, const ProgressCallback& progress = nullptr,
                       SegmentStats* stats = nullptr);

}  // namespace korvalind
