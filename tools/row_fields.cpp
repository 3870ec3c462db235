#include "tools/row_fields.h"

#include <climits>

namespace korvalind {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr char kQuote = '\'';

int Size(std::string_view text) {
  // Positions are ints; a longer line is searched only within its first INT_MAX bytes.
  return text.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
}

}  // namespace

int FindFrom(std::string_view text, char byte, int start) {
  if (start < 0) start = 0;
  const int size = Size(text);
  for (int i = start; i < size; ++i) {
    if (text[static_cast<size_t>(i)] == byte) return i;
  }
  return -1;
}

std::string_view Head(std::string_view text, int n) {
  if (n <= 0) return {};
  return text.substr(0, static_cast<size_t>(n));
}

std::string_view Tail(std::string_view text, int n) {
  if (n <= 0) return {};
  if (static_cast<size_t>(n) >= text.size()) return text;
  return text.substr(text.size() - static_cast<size_t>(n));
}

std::string_view Slice(std::string_view text, int start, int count) {
  if (start < 0) start = 0;
  if (count < 0) count = 0;
  if (static_cast<size_t>(start) >= text.size()) return {};
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view CutEnds(std::string_view text) {
  if (text.size() < 2) return {};
  return text.substr(1, text.size() - 2);
}

std::string_view CutQuotes(std::string_view text) {
  if (!text.empty() && text.front() == kQuote) text.remove_prefix(1);
  if (!text.empty() && text.back() == kQuote) text.remove_suffix(1);
  return text;
}

bool ParseSegmentRowView(std::string_view line, SegmentRowView* row) {
  if (line.empty() || line.front() != '(') return false;
  int c1 = FindFrom(line, ',', 0);
  int c2 = FindFrom(line, ',', c1 + 1);
  int c3 = FindFrom(line, ',', c2 + 1);
  int c4 = FindFrom(line, ',', c3 + 1);
  int c5 = FindFrom(line, ',', c4 + 1);

  std::string_view core = TrimBlanks(Slice(line, c1 + 1, c5 - c1 - 1));
  int k1 = FindFrom(core, ',', 0);
  int k2 = FindFrom(core, ',', k1 + 1);
  int k3 = FindFrom(core, ',', k2 + 1);
  row->core = core;
  row->segment = CutEnds(TrimBlanks(Head(core, k1)));
  row->province = CutEnds(TrimBlanks(Slice(core, k1 + 1, k2 - k1 - 1)));
  row->city = CutEnds(TrimBlanks(Slice(core, k2 + 1, k3 - k2 - 1)));
  row->kindDigit = CutQuotes(TrimBlanks(Tail(core, Size(core) - k3 - 1)));
  return true;
}

std::optional<SegmentRow> ParseSegmentRow(std::string_view line) {
  SegmentRowView view;
  if (!ParseSegmentRowView(line, &view)) return std::nullopt;
  SegmentRow row;
  row.core = view.core;
  row.fields.segment = view.segment;
  row.fields.province = view.province;
  row.fields.city = view.city;
  row.fields.kindDigit = view.kindDigit;
  return row;
}

AreaCodeRow ParseAreaCodeRow(std::string_view line) {
  AreaCodeRow row;
  int a1 = FindFrom(line, ',', 0);
  std::string_view province = TrimBlanks(Head(line, a1));
  if (!province.empty() && province.front() == kQuote) province.remove_prefix(1);
  // The closing byte goes whatever it is; no trim follows, so a blank inside the quotes stays.
  if (!province.empty()) province.remove_suffix(1);
  row.province = province;

  auto quoted_field = [line](int from, int to) {
    return std::string(TrimBlanks(CutEnds(TrimBlanks(Slice(line, from + 1, to - from - 1)))));
  };
  int a2 = FindFrom(line, ',', a1 + 1);
  row.city = quoted_field(a1, a2);
  int a3 = FindFrom(line, ',', a2 + 1);
  row.postCode = quoted_field(a2, a3);
  int p = FindFrom(line, ')', a3 + 1);
  row.areaCode = quoted_field(a3, p);
  return row;
}

}  // namespace korvalind
