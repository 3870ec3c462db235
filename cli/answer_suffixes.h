#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/answer_format.h"
#include "directory/directory_image.h"
#include "directory/query.h"

namespace korvalind::cli {

// The tsv and json lines of AppendAnswerLine for texts that it writes as they are, built from
// parts worked out once: a head before the text, and a suffix after it for each outcome and, for
// ok lines, for each answer code of the image's index. An ok line of the filter is then the text
// and two copies instead of five fields escaped and converted again for every line.
//
// The parts are cut out of lines that AppendAnswerLine itself writes, so that they hold exactly
// its bytes whatever it writes. Should a line one day depend on more than the outcome and the
// answer code (say, on the segment's own data), that goes into the key of the suffix table.
class AnswerSuffixes {
 public:
  // format is kTsv or kJson. image must outlive this object and keep its index.
  AnswerSuffixes(const DirectoryImage& image, Format format, Encoding encoding);

  // True when AppendAnswerLine writes text as it is: printable ASCII, and in json neither a quote
  // nor a backslash. The lines of other texts must come from AppendAnswerLine.
  bool IsPlain(std::string_view text) const {
    if (!usable_) return false;
    for (char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x7F || (json_ && (c == '"' || c == '\\'))) return false;
    }
    return true;
  }

  // Appends the line of a plain text with this outcome and, for kOk, the answer code that
  // QuerySegmentKeyCode gave.
  void AppendLine(std::string_view text, QueryAnswer::Outcome outcome, std::uint32_t code,
                  std::string* out) {
    const std::string_view suffix = Suffix(outcome, code);
    if (!usable_) {
      // The suffix just made did not fit: this line, like all that follow, is written whole.
      AnswerTexts texts;
      if (outcome == QueryAnswer::Outcome::kOk)
        AnswerTextsOfCode(image_, code, TextEncodingOf(), &texts);
      AppendAnswerLine(format_, encoding_, text, outcome, texts, out, &scratch_);
      return;
    }
    out->append(head_);
    out->append(text);
    out->append(suffix);
  }

 private:
  // Where an ok suffix lies in ok_text_; length 0 until it is first needed.
  struct Span {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  std::string_view Suffix(QueryAnswer::Outcome outcome, std::uint32_t code) {
    switch (outcome) {
      case QueryAnswer::Outcome::kOk:
        break;
      case QueryAnswer::Outcome::kNotFound:
        return not_found_;
      case QueryAnswer::Outcome::kInvalid:
        return invalid_;
    }
    if (code >= ok_.size() || ok_[code].length == 0) AddOkSuffix(code);
    return std::string_view(ok_text_).substr(ok_[code].offset, ok_[code].length);
  }

  // The suffix of the lines of this outcome and texts; stores their head in *head, or checks it
  // against head_ when head is nullptr.
  std::string CutSuffix(QueryAnswer::Outcome outcome, const AnswerTexts& texts, std::string* head);
  void AddOkSuffix(std::uint32_t code);

  TextEncoding TextEncodingOf() const {
    return encoding_ == Encoding::kGbk ? TextEncoding::kGbk : TextEncoding::kUtf8;
  }

  const DirectoryImage& image_;
  Format format_;
  Encoding encoding_;
  bool json_;
  bool usable_ = true;
  std::string head_;
  std::string not_found_;
  std::string invalid_;
  std::vector<Span> ok_;
  std::string ok_text_;
  std::string line_, zero_, scratch_;
};

}  // namespace korvalind::cli
