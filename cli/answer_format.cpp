#include "cli/answer_format.h"

#include <cstdio>

#include "platform/gbk.h"

namespace korvalind::cli {
namespace {

std::string Convert(Encoding encoding, std::string_view gbk) {
  return encoding == Encoding::kGbk ? std::string(gbk) : GbkToUtf8(gbk);
}

// Appends the text as given, valid in the output's encoding, with control characters made safe
// for a terminal (AppendForTerminal). *scratch is reused storage.
void AppendGivenText(Encoding encoding, std::string_view text, bool tsv, std::string* out,
                     std::string* scratch) {
  const bool gbk = encoding == Encoding::kGbk;
  scratch->clear();
  if (!gbk) AppendValidUtf8(text, scratch);
  AppendForTerminal(gbk ? text : std::string_view(*scratch), gbk, tsv, out);
}

std::string GivenText(Encoding encoding, std::string_view text) {
  std::string out, scratch;
  AppendGivenText(encoding, text, false, &out, &scratch);
  return out;
}

// The text form: a labelled line per field that has a label, the window's five always (empty for
// a miss, as the window empties them), the others only when they say something. The texts are
// code page 936, written in the output's encoding with control bytes made safe for a terminal.
void AppendTextForm(const AnswerView& view, bool ok, Encoding encoding, std::string* out) {
  char digits[8];
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.label.empty()) continue;
    const std::string_view value = AnswerFieldValue(view, info.field, digits);
    if (info.formField ? !ok : value.empty()) continue;
    *out += Convert(encoding, info.label);
    *out += ": ";
    AppendForTerminal(Convert(encoding, value), encoding == Encoding::kGbk, false, out);
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
    AppendTextForm(view, ok, encoding, out);
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
    // A tab or line end inside the text or a name would add a column or a line: made blanks;
    // other control bytes are replaced.
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
        case Column::Kind::kField:
          AppendForTerminal(AnswerFieldValue(answer, column.field, digits),
                            encoding == Encoding::kGbk, true, out);
          break;
      }
    }
    *out += '\n';
    return;
  }
  AppendAnswerJson(text, answer, out);
  *out += '\n';
}

}  // namespace korvalind::cli
