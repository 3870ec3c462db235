#include "platform/json_string.h"

#include <cstdio>

namespace korvalind {
namespace {

// A GBK character of two bytes at text[i]: its second byte may be any of 0x40 to 0xFE but 0x7F.
bool IsGbkPair(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return false;
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

bool NeedsEscape(unsigned char c) { return c == '"' || c == '\\' || c < 0x20 || c == 0x7F; }

// The first byte of text from `from` on that needs an escape, or text.size().
size_t FirstEscape(std::string_view text, size_t from, TextEncoding encoding) {
  for (size_t i = from; i < text.size(); ++i) {
    if (encoding == TextEncoding::kGbk && IsGbkPair(text, i)) {
      ++i;
      continue;
    }
    if (NeedsEscape(static_cast<unsigned char>(text[i]))) return i;
  }
  return text.size();
}

}  // namespace

void AppendJsonString(std::string_view value, std::string* out, TextEncoding encoding) {
  *out += '"';
  const size_t start = out->size();
  if (encoding == TextEncoding::kGbk) {
    out->append(value);
  } else {
    AppendValidUtf8(value, out);
  }
  // Most values need no escape at all: they are written without a copy.
  size_t escape = FirstEscape(*out, start, encoding);
  if (escape != out->size()) {
    const std::string rest = out->substr(escape);
    out->resize(escape);
    size_t plain = 0;
    for (size_t i = FirstEscape(rest, 0, encoding); i < rest.size();
         i = FirstEscape(rest, plain, encoding)) {
      out->append(rest, plain, i - plain);
      const char c = rest[i];
      if (c == '"' || c == '\\') {
        *out += '\\';
        *out += c;
      } else {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(c));
        *out += code;
      }
      plain = i + 1;
    }
    out->append(rest, plain);
  }
  *out += '"';
}

}  // namespace korvalind
