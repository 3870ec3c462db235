#include "directory/number_text.h"

namespace korvalind {
namespace {

// Full-width digits U+FF10 to U+FF19 are EF BC 90 to EF BC 99 in UTF-8.
bool IsFullWidthDigit(std::string_view rest) {
  return rest.size() >= 3 && rest[0] == '\xEF' && rest[1] == '\xBC' &&
         static_cast<unsigned char>(rest[2]) >= 0x90 && static_cast<unsigned char>(rest[2]) <= 0x99;
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

void PrepareNumberText(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '-' || c == '.' || c == '(' || c == ')') continue;
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("\xC2\xA0")) {  // U+00A0 no-break space
      i += 1;
    } else if (rest.starts_with("\xE3\x80\x80")) {  // U+3000 ideographic space
      i += 2;
    } else if (IsFullWidthDigit(rest)) {
      *out += static_cast<char>('0' + (static_cast<unsigned char>(rest[2]) - 0x90));
      i += 2;
    } else {
      *out += c;
    }
  }
  std::string_view prepared = *out;
  size_t drop = 0;
  if (prepared.starts_with("+86")) {
    drop = 3;
  } else if (prepared.starts_with("0086")) {
    drop = 4;
  } else if (prepared.size() == 13 && prepared.starts_with("86") && AllDigits(prepared)) {
    drop = 2;
  }
  out->erase(0, drop);
}

std::string PrepareNumberText(std::string_view text) {
  std::string out;
  PrepareNumberText(text, &out);
  return out;
}

SegmentAcceptance::SegmentAcceptance(const std::bitset<100>& held) {
  const std::uint8_t* plan = PlanBytes();
  for (std::uint32_t block = 0; block < kPlanBlocks; ++block) {
    // Blocks of 100 segments: block / 100 is the three-digit prefix - 100.
    const bool in_plan = (plan[block] & kPlanInPlanBit) != 0;
    const bool holds = held[block / 100];
    default_[block] =
        static_cast<std::uint8_t>(plan[block] | (in_plan || holds ? kAcceptedBit : 0));
    any_prefix_[block] = static_cast<std::uint8_t>(plan[block] | kAcceptedBit);
  }
}

}  // namespace korvalind
