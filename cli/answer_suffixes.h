#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/answer_format.h"
#include "directory/answer_model.h"
#include "directory/directory_image.h"
#include "directory/query.h"

namespace korvalind::cli {

// The tsv and json lines of AppendAnswerLine for texts that it writes as they are, built from
// parts worked out once: a head before the text, and a suffix after it for each line key. An ok
// line of the filter is then the text and two copies instead of every field escaped and
// converted again for every line.
//
// A line's key is what its bytes after the text depend on: the outcome; for ok lines the
// answer code of the image's index (place texts and SIM card kind); for ok and not-found lines
// the number plan's byte of the segment (carrier and service). Columns that show the segment
// itself would make every segment a key of its own: with them, every line is left to
// AppendAnswerLine. The parts are cut out of lines that AppendAnswerLine itself writes, so that
// they hold exactly its bytes.
class AnswerSuffixes {
 public:
  // format is kTsv or kJson; columns are read for kTsv. image must outlive this object and keep
  // its index.
  AnswerSuffixes(const DirectoryImage& image, Format format, Encoding encoding,
                 const Columns& columns);

  // True when the line of text can be put together here: AppendAnswerLine writes text as it is
  // (printable ASCII, and in json neither a quote nor a backslash), once.
  bool IsPlain(std::string_view text) const {
    if (!usable_) return false;
    for (char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x7F || (json_ && (c == '"' || c == '\\'))) return false;
    }
    return true;
  }

  // Appends the line of a plain text with this outcome, the answer code QuerySegmentCode gave
  // (for kOk) and the accepted segment (for kOk and kNotFound).
  void AppendLine(std::string_view text, QueryAnswer::Outcome outcome, std::uint32_t code,
                  std::uint32_t segment, std::string* out) {
    const std::string_view suffix = Suffix(outcome, code, segment);
    if (!usable_) {
      // The suffix just made did not fit: this line, like all that follow, is written whole.
      AppendAnswerLine(format_, encoding_, columns_, text, View(outcome, code, segment), out,
                       &scratch_);
      return;
    }
    out->append(head_);
    out->append(text);
    out->append(suffix);
  }

 private:
  // Where a suffix lies in text_; length 0 until it is first needed.
  struct Span {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  std::string_view Suffix(QueryAnswer::Outcome outcome, std::uint32_t code, std::uint32_t segment) {
    Span* span = &invalid_;
    if (outcome != QueryAnswer::Outcome::kInvalid) {
      const std::uint8_t plan = PlanByte(segment);
      if (outcome == QueryAnswer::Outcome::kNotFound) {
        span = &not_found_[plan];
      } else {
        std::vector<Span>& ok = ok_[plan];
        if (code >= ok.size()) ok.resize(code + 1);
        span = &ok[code];
      }
    }
    if (span->length == 0) *span = AddSuffix(View(outcome, code, segment), nullptr);
    return std::string_view(text_).substr(span->offset, span->length);
  }

  AnswerView View(QueryAnswer::Outcome outcome, std::uint32_t code, std::uint32_t segment) const;

  // Cuts the suffix of the lines of view out of the lines of "" and "0" and keeps it in text_;
  // stores their head in *head, or checks it against head_ when head is nullptr.
  Span AddSuffix(const AnswerView& view, std::string* head);

  const DirectoryImage& image_;
  Format format_;
  Encoding encoding_;
  Columns columns_;
  bool json_;
  bool usable_ = true;
  std::string head_;
  Span invalid_;
  std::array<Span, 256> not_found_{};
  std::array<std::vector<Span>, 256> ok_;  // by plan byte, then by answer code
  std::string text_;
  std::string line_, zero_, scratch_;
};

}  // namespace korvalind::cli
