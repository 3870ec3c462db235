#include "cli/answer_suffixes.h"

#include "directory/directory_index.h"

namespace korvalind::cli {

AnswerSuffixes::AnswerSuffixes(const DirectoryImage& image, Format format, Encoding encoding)
    : image_(image), format_(format), encoding_(encoding), json_(format == Format::kJson) {
  const AnswerTexts none;
  invalid_ = CutSuffix(QueryAnswer::Outcome::kInvalid, none, &head_);
  not_found_ = CutSuffix(QueryAnswer::Outcome::kNotFound, none, nullptr);
}

std::string AnswerSuffixes::CutSuffix(QueryAnswer::Outcome outcome, const AnswerTexts& texts,
                                      std::string* head) {
  // The lines of "" and "0" differ only where the text goes: the head before it is the bytes
  // they share, the suffix the rest of the first.
  line_.clear();
  AppendAnswerLine(format_, encoding_, "", outcome, texts, &line_, &scratch_);
  zero_.clear();
  AppendAnswerLine(format_, encoding_, "0", outcome, texts, &zero_, &scratch_);
  size_t at = 0;
  while (at < line_.size() && line_[at] == zero_[at]) ++at;
  if (head != nullptr) head->assign(line_, 0, at);
  const std::string_view line(line_);
  if (line.substr(0, at) != head_ || zero_.size() != line.size() + 1 ||
      std::string_view(zero_).substr(at + 1) != line.substr(at)) {
    // A line of another shape cannot be put together from parts: every line is then left to
    // AppendAnswerLine. Not so for any format there is, but a wrong byte is worse than a slow line.
    usable_ = false;
  }
  return line_.substr(at);
}

void AnswerSuffixes::AddOkSuffix(std::uint32_t code) {
  if (ok_.empty()) ok_.resize(DirectoryIndex::kAnswerCodes);
  AnswerTexts texts;
  AnswerTextsOfCode(image_, code, TextEncodingOf(), &texts);
  const std::string suffix = CutSuffix(QueryAnswer::Outcome::kOk, texts, nullptr);
  ok_[code] = {static_cast<std::uint32_t>(ok_text_.size()),
               static_cast<std::uint32_t>(suffix.size())};
  ok_text_ += suffix;
}

}  // namespace korvalind::cli
