#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "directory/segment_record.h"

namespace korvalind {

// Positional field extraction for the rows of the two table dumps. Every comma separates fields
// (quotes do not protect one), blanks around a field are trimmed and the enclosing quotes are cut
// off by position. Positions count bytes from 0; the bytes searched for never occur as the second
// byte of a GBK character, so scanning byte by byte is safe.
//
// The primitives never fail: out-of-range arguments are clamped, and the row parsers rely on
// that clamping (a failed search gives -1, which the next search turns into position 0).

// Position of the first `byte` at or after start, or -1. A start beyond the end gives -1.
int FindFrom(std::string_view text, char byte, int start);
// The first n bytes; n <= 0 gives "", n >= size gives the whole text.
std::string_view Head(std::string_view text, int n);
// The last n bytes, clamped like Head.
std::string_view Tail(std::string_view text, int n);
// count bytes from start; negative start or count count as 0; stops at the end.
std::string_view Slice(std::string_view text, int start, int count);

// Without leading and trailing blanks (0x20 and 0x09 to 0x0D).
std::string_view TrimBlanks(std::string_view text);
// Without the first and the last byte, whatever they are; "" for texts shorter than 2 bytes.
std::string_view CutEnds(std::string_view text);
// Drops a leading single quote, then a trailing one from what is left. Nothing else.
std::string_view CutQuotes(std::string_view text);

// One row of the segment dump, e.g. (7,'1390123','河北','石家庄','1','2002'):
// core is the text between the first and the fifth comma, trimmed; the fields come from core.
struct SegmentRow {
  std::string core;
  SegmentFields fields;
};

// Nothing when the line is empty or its first byte is not "(" (tested before any trimming).
std::optional<SegmentRow> ParseSegmentRow(std::string_view line);

// The same texts as views into the line, for converting a whole dump without copying each row.
struct SegmentRowView {
  std::string_view core;
  std::string_view segment;
  std::string_view province;
  std::string_view city;
  std::string_view kindDigit;
};

// False, with *row untouched, when the line is not a row.
bool ParseSegmentRowView(std::string_view line, SegmentRowView* row);

// One row of the area-code dump, e.g. '北京','北京','100000','010').
struct AreaCodeRow {
  std::string province;
  std::string city;
  std::string postCode;
  std::string areaCode;
};

// Accepts any line; rows lacking separators give empty or misplaced fields.
AreaCodeRow ParseAreaCodeRow(std::string_view line);

}  // namespace korvalind
