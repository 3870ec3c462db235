#include "cli/answer_suffixes.h"

#include <algorithm>

#include "directory/directory_index.h"

namespace korvalind::cli {

AnswerSuffixes::AnswerSuffixes(const DirectoryImage& image, Format format, Encoding encoding,
                               const Columns& columns)
    : image_(image),
      format_(format),
      encoding_(encoding),
      columns_(columns),
      json_(format == Format::kJson) {
  if (!json_ && std::any_of(columns.begin(), columns.end(), [](const Column& column) {
        return column.kind == Column::Kind::kField && column.field == AnswerField::kSegment;
      })) {
    usable_ = false;
    return;
  }
  invalid_ = AddSuffix(View(QueryAnswer::Outcome::kInvalid, 0, 0), &head_);
}

AnswerView AnswerSuffixes::View(QueryAnswer::Outcome outcome, std::uint32_t code,
                                std::uint32_t segment) const {
  AnswerView view;
  view.outcome = outcome;
  view.encoding = encoding_ == Encoding::kGbk ? TextEncoding::kGbk : TextEncoding::kUtf8;
  if (outcome == QueryAnswer::Outcome::kInvalid) return view;
  view.segment = segment;
  if (outcome == QueryAnswer::Outcome::kOk) {
    AnswerTextsOfCode(image_, code, view.encoding, &view.texts);
  }
  return view;
}

AnswerSuffixes::Span AnswerSuffixes::AddSuffix(const AnswerView& view, std::string* head) {
  // The lines of "" and "0" differ only where the text goes: the head before it is the bytes
  // they share, the suffix the rest of the first.
  line_.clear();
  AppendAnswerLine(format_, encoding_, columns_, "", view, &line_, &scratch_);
  zero_.clear();
  AppendAnswerLine(format_, encoding_, columns_, "0", view, &zero_, &scratch_);
  size_t at = 0;
  while (at < line_.size() && line_[at] == zero_[at]) ++at;
  if (head != nullptr) head->assign(line_, 0, at);
  const std::string_view line(line_);
  if (line.substr(0, at) != head_ || zero_.size() != line.size() + 1 ||
      std::string_view(zero_).substr(at + 1) != line.substr(at)) {
    // A line of another shape (columns without the text, or with it twice) cannot be put
    // together from these parts: every line is then left to AppendAnswerLine.
    usable_ = false;
  }
  const Span span{static_cast<std::uint32_t>(text_.size()),
                  static_cast<std::uint32_t>(line.size() - at)};
  text_.append(line.substr(at));
  return span;
}

}  // namespace korvalind::cli
