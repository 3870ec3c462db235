#include "directory/segment_record.h"

namespace korvalind {

void PackSegmentKey(std::string_view text, std::uint8_t* out) {
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned high = static_cast<unsigned char>(text[i]);
    unsigned low = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : '0';
    out[i / 2] = static_cast<std::uint8_t>(high * 16 + low - 48);
  }
}

}  // namespace korvalind
