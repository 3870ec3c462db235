#include "platform/json_string.h"

#include <array>
#include <cstdio>

namespace korvalind {
namespace {

constexpr std::array<bool, 256> MakeNeedsEscape() {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = true;
  table['"'] = table['\\'] = table[0x7F] = true;
  return table;
}
constexpr std::array<bool, 256> kNeedsEscape = MakeNeedsEscape();

bool NeedsEscape(char c) { return kNeedsEscape[static_cast<unsigned char>(c)]; }

// A GBK character of two bytes at text[i]: its second byte may be any of 0x40 to 0xFE but 0x7F.
bool IsGbkPair(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return false;
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// The first byte of text from `from` on that needs an escape, or text.size(). In UTF-8 no byte
// of a multi-byte character needs one; in GBK a second byte can look like one and is skipped.
size_t FirstEscape(std::string_view text, size_t from, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) {
    while (from < text.size() && !NeedsEscape(text[from])) ++from;
    return from;
  }
  for (size_t i = from; i < text.size(); ++i) {
    if (IsGbkPair(text, i)) {
      ++i;
    } else if (NeedsEscape(text[i])) {
      return i;
    }
  }
  return text.size();
}

// Appends text with its escapes, text being well-formed in encoding.
void AppendEscaped(std::string_view text, TextEncoding encoding, std::string* out) {
  // Most texts hold nothing to escape; this test runs over the whole text at once. (A GBK second
  // byte that looks like "\\" only sends the text the longer way.)
  unsigned special = 0;
  for (char c : text) special |= kNeedsEscape[static_cast<unsigned char>(c)] ? 1u : 0u;
  if (special == 0) {
    out->append(text);
    return;
  }
  size_t plain = 0;
  for (size_t i = FirstEscape(text, 0, encoding); i < text.size();
       i = FirstEscape(text, plain, encoding)) {
    out->append(text, plain, i - plain);
    const char c = text[i];
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
  out->append(text, plain);
}

}  // namespace

void AppendJsonString(std::string_view value, std::string* out, TextEncoding encoding) {
  if (encoding == TextEncoding::kGbk) {
    AppendJsonStringOfValidText(value, out, encoding);
    return;
  }
  *out += '"';
  const size_t start = out->size();
  AppendValidUtf8(value, out);
  // Most values need no escape at all: they are written without a copy.
  if (FirstEscape(*out, start, encoding) != out->size()) {
    const std::string valid = out->substr(start);
    out->resize(start);
    AppendEscaped(valid, encoding, out);
  }
  *out += '"';
}

void AppendJsonStringOfValidText(std::string_view value, std::string* out, TextEncoding encoding) {
  *out += '"';
  AppendEscaped(value, encoding, out);
  *out += '"';
}

}  // namespace korvalind
