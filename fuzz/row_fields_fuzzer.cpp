// Arbitrary lines through the two dump-row parsers and one segment-row conversion.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "tools/area_code_conversion.h"
#include "tools/place_list.h"
#include "tools/row_fields.h"
#include "tools/segment_conversion.h"

namespace korvalind::fuzz {
namespace {

bool Within(std::string_view part, std::string_view line) { return part.size() <= line.size(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::string_view line = AsText(data, size);

  std::optional<SegmentRow> row = ParseSegmentRow(line);
  SegmentRowView view;
  bool is_row = ParseSegmentRowView(line, &view);
  Require(row.has_value() == is_row, "the two segment-row parsers disagree on what is a row");
  Require(is_row == (!line.empty() && line[0] == '('), "a row is not exactly a line with \"(\"");
  if (row) {
    Require(row->core == view.core && row->fields.segment == view.segment &&
                row->fields.province == view.province && row->fields.city == view.city &&
                row->fields.kindDigit == view.kindDigit,
            "the two segment-row parsers give different fields");
    Require(Within(row->core, line) && Within(row->fields.segment, row->core) &&
                Within(row->fields.province, row->core) && Within(row->fields.city, row->core),
            "a field is longer than its row");
    SegmentRecord record;
    MakeSegmentRecord(row->fields, &record);
    Require((record.bytes[0] & 0x1F) == 0, "unused record bits set");
  }

  AreaCodeRow area = ParseAreaCodeRow(line);
  std::string zone = FormatZoneLine(area);
  Require(zone.size() == area.province.size() + area.city.size() + area.postCode.size() +
                             area.areaCode.size() + 3,
          "zone line is not the fields and three separators");
  // A field missing its separators may reach back over the whole row, but never past it.
  Require(Within(area.province, line) && Within(area.city, line) && Within(area.postCode, line) &&
              Within(area.areaCode, line),
          "an area-code field is longer than its row");

  // One conversion of the line: a row adds one record or is refused with a reason.
  PlaceList.ResetForTesting();
  PlaceList.Append("P");
  std::string records;
  Status status;
  std::string listing = ConvertSegmentRow(line, &records, &status);
  Require(status.ok(), "one row with two places is refused");
  Require(records.size() == (is_row ? kSegmentRecordSize : 0), "wrong number of record bytes");
  Require(listing.empty() == !is_row, "a row without listing text, or a non-row with one");
  return 0;
}

}  // namespace korvalind::fuzz
