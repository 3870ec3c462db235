#include "tools/directory_export.h"

#include <algorithm>
#include <string>

#include "directory/image_regions.h"
#include "directory/segment_record.h"
#include "platform/gbk.h"
#include "tools/segment_answers.h"

namespace korvalind {
namespace {

// A zone entry "province,city:postcode,areacode" split into its fields, so that the area-code
// dump gives back the same bytes. False when the entry has no "," followed by a ":": such an
// entry never matches a look-up.
struct ZoneFields {
  std::string_view province, city, postCode, areaCode;
};

bool SplitZone(std::string_view entry, ZoneFields* fields, bool* answers) {
  const size_t comma = entry.find(',');
  const size_t colon = comma == std::string_view::npos ? comma : entry.find(':', comma + 1);
  *answers = colon != std::string_view::npos;
  if (!*answers) return false;
  fields->province = entry.substr(0, comma);
  fields->city = entry.substr(comma + 1, colon - comma - 1);
  const std::string_view codes = entry.substr(colon + 1);
  const size_t split = codes.find(',');
  if (split == std::string_view::npos) return false;
  fields->postCode = codes.substr(0, split);
  fields->areaCode = codes.substr(split + 1);
  return true;
}

// "1" and the six key digits; a half-byte above 9 as the character 0x30 + its value, which
// PackSegmentKey turns back into the same half-byte.
std::string SegmentText(const std::uint8_t* key) {
  std::string text = "1";
  for (size_t i = 0; i < kSegmentKeySize; ++i) {
    text += static_cast<char>('0' + (key[i] >> 4));
    text += static_cast<char>('0' + (key[i] & 15));
  }
  return text;
}

}  // namespace

Status ExportDumps(const DirectoryImage& image, DumpTexts* out) {
  DumpWriter writer;
  PlaceAnswers places(image);
  for (std::string_view name : places.entries()) {
    Status status = writer.AddPlace(name);
    if (!status.ok()) return status;
  }

  // A bundled row is about 40 bytes.
  constexpr size_t kRowBytes = 48;
  writer.ReserveSegments(RecordRegion(image).size() / kSegmentRecordSize, kRowBytes);
  Status status;
  ForEachEntry(ZoneTableRegion(image), [&](std::string_view entry) {
    if (entry.empty()) return false;  // padding
    ZoneFields fields;
    bool answers = false;
    if (SplitZone(entry, &fields, &answers)) {
      status = writer.AddZone(fields.province, fields.city, fields.postCode, fields.areaCode);
    } else if (answers) {
      status = Status::InvalidArgument("the zone \"" + GbkToUtf8(entry) +
                                       "\" has no \",\" between its postal code and its area " +
                                       "code, which the dumps cannot carry");
    }
    return !status.ok();
  });
  if (!status.ok()) return status;

  const std::string_view records = RecordRegion(image);
  for (size_t offset = 0; offset + kSegmentRecordSize <= records.size();
       offset += kSegmentRecordSize) {
    SegmentRecord record;
    std::copy_n(records.data() + offset, kSegmentRecordSize, record.bytes.begin());
    const std::uint32_t place = places.NumberOf(record.provinceIndex(), record.cityIndex());
    const PlaceAnswer& answer = places.answers()[place];
    status = writer.AddSegment(SegmentText(&record.bytes[1]), places.Entry(record.provinceIndex()),
                               places.Entry(record.cityIndex()), record.kind(), answer.areaCode);
    if (!status.ok()) return status;
  }
  *out = writer.Finish();
  return Status::Ok();
}

}  // namespace korvalind
