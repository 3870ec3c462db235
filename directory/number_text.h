#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/number_plan.h"

namespace korvalind {

// The one preparation of a typed number text (UTF-8), as --any-prefix, the service's
// any_prefix=1 and the web page apply it: blanks (space, tab, U+00A0, U+3000), hyphens, dots and
// parentheses are dropped and full-width digits (U+FF10 to U+FF19) read as digits; then a leading
// "+86" or "0086" is dropped, or a leading "86" when exactly 13 digits are left
// ("8613901234567", as call records write the international form). Other bytes stay as they are.
void PrepareNumberText(std::string_view text, std::string* out);
std::string PrepareNumberText(std::string_view text);

// The acceptance rule of one directory, per block of 100 segments (see number_plan.h):
//  - by default a text is accepted when its first seven bytes are digits forming a segment of the
//    number plan, or a segment whose three-digit prefix the directory holds;
//  - under any_prefix ("1" and any six digits) the text is prepared first, and every segment
//    1000000 to 1999999 is accepted.
// Accepted texts are looked up; the rest are refused as invalid.
class SegmentAcceptance {
 public:
  // Set in the per-block bytes when the rule accepts the block's segments; the other bits are the
  // plan's byte of the block.
  static constexpr std::uint8_t kAcceptedBit = 0x80;

  // The rule of a directory that holds no segment: the plan alone.
  SegmentAcceptance() : SegmentAcceptance(std::bitset<100>()) {}
  // held: bit p for the three-digit prefix "1" + p's two digits (HeldPrefixes).
  explicit SegmentAcceptance(const std::bitset<100>& held);

  // kPlanBlocks bytes: the plan's byte of each block, with kAcceptedBit where accepted.
  const std::uint8_t* Blocks(bool any_prefix) const {
    return any_prefix ? any_prefix_.data() : default_.data();
  }

  bool Accepts(std::uint32_t segment, bool any_prefix) const {
    const std::uint32_t offset = segment - kFirstPlanSegment;
    return offset < kPlanSegments && (Blocks(any_prefix)[offset / kPlanBlockSize] & kAcceptedBit);
  }

  // The segment an accepted text names (its first seven bytes, after preparation under
  // any_prefix), or 0 for a refused one. *scratch holds the prepared text under any_prefix (its
  // storage is reused from call to call).
  std::uint32_t SegmentOfText(std::string_view text, bool any_prefix, std::string* scratch) const {
    if (any_prefix) {
      PrepareNumberText(text, scratch);
      text = *scratch;
    }
    const std::uint32_t segment = SegmentOfDigits(text);
    return segment != 0 && Accepts(segment, any_prefix) ? segment : 0;
  }

 private:
  std::array<std::uint8_t, kPlanBlocks> default_{};
  std::array<std::uint8_t, kPlanBlocks> any_prefix_{};
};

}  // namespace korvalind
