#include "tools/segment_conversion.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/paths.h"
#include "tools/data_folder.h"
#include "tools/place_list.h"
#include "tools/row_fields.h"

namespace korvalind {
namespace {

constexpr size_t kProgressEveryRows = 1 << 14;
constexpr size_t kSegmentKeyDigits = 6;
// A city of one GBK character or less is never added to the place list.
constexpr size_t kShortestNewCity = 3;

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The low three bits of the value atol gives for text: blanks skipped, an optional sign, decimal
// digits up to the first other byte. Out-of-range values saturate as strtol does (LONG_MAX has
// low bits 7, LONG_MIN has 0).
unsigned KindBits(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  std::uint64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    unsigned digit = static_cast<unsigned>(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  std::uint64_t value = negative ? 0 - magnitude : magnitude;
  return static_cast<unsigned>(value & 7u);
}

void FillRecord(std::string_view segment, std::string_view kindDigit, int cityIndex,
                int provinceIndex, SegmentRecord* record) {
  *record = SegmentRecord();
  if (segment.size() > kSegmentKeyDigits) segment.remove_prefix(segment.size() - kSegmentKeyDigits);
  PackSegmentKey(segment, &record->bytes[1]);
  record->setCityIndex(static_cast<std::uint16_t>(cityIndex));
  record->setProvinceIndex(static_cast<std::uint16_t>(provinceIndex));
  record->setKind(KindBits(kindDigit));
}

Status IndexTooLarge(std::string_view name, int index) {
  return Status::InvalidArgument("place \"" + GbkToUtf8ForMessage(name) +
                                 "\" would need place index " + std::to_string(index) +
                                 ", above the limit 65,535 that a record can hold");
}

void AppendBytes(std::string_view bytes, std::string* out) { out->append(bytes); }
void AppendBytes(std::string_view bytes, LargeBytes* out) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}

// One row: a new city joins PlaceList before its record is made, so that its first row already
// carries its index; then the record and the listing text are appended.
template <typename Buffer>
Status ConvertRow(const SegmentRowView& row, Buffer* records, Buffer* listing) {
  if (row.city.size() >= kShortestNewCity && PlaceList.FirstPosition(row.city) == 0) {
    PlaceList.Append(row.city);
  }
  int city_index = PlaceIndex(row.city);
  if (city_index > kMaxPlaceIndex) return IndexTooLarge(row.city, city_index);
  int province_index = PlaceIndex(row.province);
  if (province_index > kMaxPlaceIndex) return IndexTooLarge(row.province, province_index);
  SegmentRecord record;
  FillRecord(row.segment, row.kindDigit, city_index, province_index, &record);
  AppendBytes({reinterpret_cast<const char*>(record.bytes.data()), record.bytes.size()}, records);
  AppendBytes(row.core, listing);
  listing->push_back('\r');
  return Status::Ok();
}

}  // namespace

void AppendPlaceNames(std::string_view placeNameText) {
  LineCursor cursor(placeNameText);
  std::string_view line;
  if (!cursor.Next(&line)) return;  // the first line is a heading
  while (cursor.Next(&line)) PlaceList.Append(line);
}

Status LoadPlaceList(const std::string& dataFolder) {
  std::string text;
  Status status = ReadInputFile(JoinPath(dataFolder, "city"), &text);
  if (status.ok()) AppendPlaceNames(text);
  return status;
}

void MakeSegmentRecord(const SegmentFields& fields, SegmentRecord* record) {
  FillRecord(fields.segment, fields.kindDigit, PlaceIndex(fields.city), PlaceIndex(fields.province),
             record);
}

std::string ConvertSegmentRow(std::string_view line, std::string* records, Status* status) {
  SegmentRowView row;
  if (!ParseSegmentRowView(line, &row)) return {};
  std::string listing;
  Status converted = ConvertRow(row, records, &listing);
  if (!converted.ok()) {
    *status = converted;
    return {};
  }
  return listing;
}

Status ConvertSegmentDump(std::string_view dumpText, const std::string& dumpPath,
                          const ProgressCallback& progress, SegmentOutput* out) {
  const size_t places_before = PlaceList.size();
  *out = SegmentOutput();
  ConversionProgress report;
  report.bytesTotal = dumpText.size();
  // Rows are one per line: reserving for every line spares the copies of a growing buffer.
  const size_t lines = static_cast<size_t>(std::count(dumpText.begin(), dumpText.end(), '\n')) + 1;
  out->records.reserve(lines * kSegmentRecordSize);
  out->listing.reserve(dumpText.size());
  LineCursor cursor(dumpText);
  std::string_view line;
  size_t line_number = 0;
  SegmentRowView row;
  while (cursor.Next(&line)) {
    ++line_number;
    if (!ParseSegmentRowView(line, &row)) continue;
    Status status = ConvertRow(row, &out->records, &out->listing);
    if (!status.ok()) {
      PlaceList.TruncateTo(places_before);
      *out = SegmentOutput();
      return Status::InvalidArgument("\"" + dumpPath + "\" line " + std::to_string(line_number) +
                                     ": " + status.message() + "; nothing was written");
    }
    if (++report.rows % kProgressEveryRows == 0 && progress) {
      report.bytesDone = static_cast<size_t>(line.data() + line.size() - dumpText.data());
      progress(report);
    }
  }
  if (progress) {
    report.bytesDone = dumpText.size();
    progress(report);
  }
  out->stats.rows = report.rows;
  out->stats.newCities = PlaceList.size() - places_before;
  out->stats.places = PlaceList.size();
  return Status::Ok();
}

Status ConvertSegments(const std::string& dataFolder, const ProgressCallback& progress,
                       SegmentStats* stats) {
  if (Status status = CheckDataFolder(dataFolder); !status.ok()) return status;
  const std::string dump_path = JoinPath(dataFolder, "simcard2.sql");
  LargeBytes dump;
  std::string place_names;
  Status status = ReadInputFile(dump_path, &dump);
  if (status.ok()) status = ReadInputFile(JoinPath(dataFolder, "city"), &place_names);
  if (!status.ok()) return status;

  const size_t places_before = PlaceList.size();
  AppendPlaceNames(place_names);
  SegmentOutput output;
  status = ConvertSegmentDump(BytesView(dump), dump_path, progress, &output);
  if (status.ok()) {
    AtomicFile files[3];  // the listing, the records, the offset file
    status = files[0].Open(JoinPath(dataFolder, "output.txt"));
    if (status.ok()) status = files[1].Open(JoinPath(dataFolder, "binary"));
    if (status.ok()) status = files[2].Open(JoinPath(dataFolder, "offset"));
    if (status.ok()) {
      files[0].Write(BytesView(output.listing));
      files[1].Write(BytesView(output.records));
      status = CommitTogether(files);
    }
  }
  if (!status.ok()) {
    PlaceList.TruncateTo(places_before);
    return status;
  }
  if (stats != nullptr) *stats = output.stats;
  return Status::Ok();
}

}  // namespace korvalind
