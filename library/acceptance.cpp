#include "library/acceptance.h"

#include "directory/query.h"

namespace korvalind::library {
namespace {

// The number the first seven bytes of text spell, when they are digits starting with "1".
std::uint32_t SegmentOfDigits(const char* digits) {
  if (digits[0] != '1') return 0;
  std::uint32_t segment = 0;
  for (int i = 0; i < 7; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return 0;
    segment = segment * 10 + static_cast<std::uint32_t>(digits[i] - '0');
  }
  return segment;
}

}  // namespace

bool AnyPrefixDigits(std::string_view text, char digits[7]) {
  const size_t begin = text.find_first_not_of(" \t");
  text.remove_prefix(begin == std::string_view::npos ? text.size() : begin);
  if (text.substr(0, 3) == "+86") {
    text.remove_prefix(3);
  } else if (text.substr(0, 4) == "0086") {
    text.remove_prefix(4);
  }
  int kept = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '-') continue;
    digits[kept++] = c;
    if (kept == 7) return true;
  }
  return false;
}

void Acceptance::Build(const DirectoryImage& image) {
  all_.fill(1);
  for (int prefix = 100; prefix < 200; ++prefix) {
    const std::string text = std::to_string(prefix) + "0000";
    default_[prefix - 100] = IsAcceptedSegmentText(image, text) ? 1 : 0;
  }
}

std::uint32_t Acceptance::SegmentOfText(std::string_view text, bool any_prefix) const {
  if (any_prefix) {
    char digits[7];
    return AnyPrefixDigits(text, digits) ? SegmentOfDigits(digits) : 0;
  }
  // The rule looks at seven digits starting with "1" and, of those, only at the three-digit
  // prefix: the table built from it answers for every text.
  if (text.size() < 7) return 0;
  const std::uint32_t segment = SegmentOfDigits(text.data());
  return segment != 0 && default_[segment / 10000 - 100] != 0 ? segment : 0;
}

}  // namespace korvalind::library
