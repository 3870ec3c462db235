#include "cli/answer_format.h"

#include <cstdio>

#include "platform/gbk.h"

namespace korvalind::cli {
namespace {

std::string Convert(Encoding encoding, std::string_view gbk) {
  return encoding == Encoding::kGbk ? std::string(gbk) : GbkToUtf8(gbk);
}

bool IsControl(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// Appends the text as given, valid in the output's encoding. A control character in it (an
// escape sequence would reach the reader's terminal) becomes U+FFFD, or "?" in GBK; in tsv a tab
// or line end becomes a blank instead, as in every column. Control bytes never occur inside a
// UTF-8 or GBK character, so they are found byte by byte. *scratch is reused storage.
void AppendGivenText(Encoding encoding, std::string_view text, bool tsv, std::string* out,
                     std::string* scratch) {
  const size_t start = out->size();
  if (encoding == Encoding::kGbk) {
    out->append(text);
  } else {
    AppendValidUtf8(text, out);
  }
  const std::string_view replacement = encoding == Encoding::kGbk ? "?" : "\xEF\xBF\xBD";
  size_t first = start;
  while (first < out->size() && !IsControl((*out)[first])) ++first;
  if (first == out->size()) return;
  scratch->assign(*out, first);
  out->resize(first);
  for (char c : *scratch) {
    if (!IsControl(c)) {
      *out += c;
    } else if (tsv && (c == '\t' || c == '\n' || c == '\r')) {
      *out += ' ';
    } else {
      out->append(replacement);
    }
  }
}

std::string GivenText(Encoding encoding, std::string_view text) {
  std::string out, scratch;
  AppendGivenText(encoding, text, false, &out, &scratch);
  return out;
}

// The text form: a labelled line per field that has a label, the window's five always (empty for
// a miss, as the window empties them), the others only when they say something.
void AppendTextForm(const AnswerView& view, bool ok, std::string* out) {
  char digits[8];
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.label.empty()) continue;
    const std::string_view value = AnswerFieldValue(view, info.field, digits);
    if (info.formField ? !ok : value.empty()) continue;
    *out += info.label;
    *out += ": ";
    *out += value;
    *out += '\n';
  }
}

}  // namespace

Columns DefaultColumns() {
  Columns columns = {{Column::Kind::kText}, {Column::Kind::kStatus}};
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.formField) columns.push_back({Column::Kind::kField, info.field});
  }
  return columns;
}

bool ParseColumns(std::string_view list, Columns* columns, std::string* error) {
  columns->clear();
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    Column column;
    if (name == "text") {
      column.kind = Column::Kind::kText;
    } else if (name == "status") {
      column.kind = Column::Kind::kStatus;
    } else if (FindAnswerField(name, &column.field)) {
      column.kind = Column::Kind::kField;
    } else {
      std::string known = "text, status";
      for (const AnswerFieldInfo& info : kAnswerFields) known += ", " + std::string(info.name);
      *error = "unknown field \"" + std::string(name) + "\" in --fields (use " + known + ")";
      return false;
    }
    columns->push_back(column);
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

void FormatAnswer(Format format, Encoding encoding, std::string_view text,
                  const QueryAnswer& answer, std::string* out, std::string* errors,
                  const Columns& columns) {
  const bool ok = answer.outcome == QueryAnswer::Outcome::kOk;
  AnswerView view = ViewOf(answer);
  if (format == Format::kText) {
    std::string form;
    AppendTextForm(view, ok, &form);
    *out += Convert(encoding, form);
    if (!ok) {
      std::string_view message = answer.outcome == QueryAnswer::Outcome::kInvalid
                                     ? kInvalidSegmentMessage
                                     : kNotFoundMessage;
      *errors += GivenText(encoding, text) + ": " + Convert(encoding, message) + "\n";
    }
    return;
  }
  // The answer's texts are code page 936: in UTF-8 output they are converted once, here.
  std::string converted[5];
  if (encoding == Encoding::kUtf8) {
    std::string_view* texts[5] = {&view.texts.province, &view.texts.city, &view.texts.simType,
                                  &view.texts.areaCode, &view.texts.postCode};
    for (int i = 0; i < 5; ++i) {
      converted[i] = GbkToUtf8(*texts[i]);
      *texts[i] = converted[i];
    }
    view.encoding = TextEncoding::kUtf8;
  }
  std::string scratch;
  AppendAnswerLine(format, encoding, columns, text, view, out, &scratch);
}

void AppendAnswerLine(Format format, Encoding encoding, const Columns& columns,
                      std::string_view text, const AnswerView& answer, std::string* out,
                      std::string* scratch) {
  char digits[8];
  if (format == Format::kTsv) {
    // A tab or line end inside the text or a name would add a column or a line: made blanks.
    // Names seldom hold a byte below 0x0E at all; that test runs over whole names at once.
    auto append_column = [out](std::string_view value) {
      unsigned low = 0;
      for (char c : value) low |= static_cast<unsigned char>(c) <= '\r' ? 1u : 0u;
      const size_t start = out->size();
      out->append(value);
      if (low == 0) return;
      for (size_t i = start; i < out->size(); ++i) {
        char& c = (*out)[i];
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
      }
    };
    bool first = true;
    for (const Column& column : columns) {
      if (!first) *out += '\t';
      first = false;
      switch (column.kind) {
        case Column::Kind::kText:
          AppendGivenText(encoding, text, true, out, scratch);
          break;
        case Column::Kind::kStatus:
          *out += StatusName(answer.outcome);
          break;
        case Column::Kind::kField: {
          append_column(AnswerFieldValue(answer, column.field, digits));
          break;
        }
      }
    }
    *out += '\n';
    return;
  }
  AppendAnswerJson(text, answer, out);
  *out += '\n';
}

}  // namespace korvalind::cli
