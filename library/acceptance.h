#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "directory/directory_image.h"

namespace korvalind::library {

// Which texts and numbers a look-up accepts, as the command line does: by default its default
// rule, with any_prefix its --any-prefix rule.
class Acceptance {
 public:
  void Build(const DirectoryImage& image);

  // The segment (1000000 to 1999999) that an accepted text names, or 0 when it is not accepted.
  std::uint32_t SegmentOfText(std::string_view text, bool any_prefix) const;

  // Per three-digit prefix 100 to 199 (entry prefix - 100): 1 when its segments are accepted.
  // Under any_prefix every one is.
  const std::uint8_t* AcceptedPrefixes(bool any_prefix) const {
    return any_prefix ? all_.data() : default_.data();
  }

 private:
  std::array<std::uint8_t, 100> default_{};
  std::array<std::uint8_t, 100> all_{};
};

// The seven characters that --any-prefix looks at: leading blanks and tabs, then a leading "+86"
// or "0086" dropped, then the first seven bytes that are not a blank, a tab or a hyphen. False
// when there are fewer.
bool AnyPrefixDigits(std::string_view text, char digits[7]);

}  // namespace korvalind::library
