// The UTF-8 forms the index prepares come from GbkToUtf8Converter and AppendValidUtf8: they must
// give the bytes of the one-shot conversions they stand in for.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/gbk.h"

namespace korvalind {
namespace {

// Texts that mix ASCII, well-formed GBK, lone lead and trail bytes, 0x80 and 0xFF, and UTF-8.
std::string RandomText(std::mt19937& random) {
  static const std::string pieces[] = {
      "a",
      "1390123",
      "\t",
      "\x7f",
      "\xba\xd3\xb1\xb1",  // 河北
      "\xa3\xac",
      "\x81\x40",
      "\xfe\x4f",
      "\x80",
      "\xff",
      "\xba",
      "\xb1",
      "\xe6\xb2\xb3",  // 河 in UTF-8
      "\xf0\x9f\x98\x80",
      "\xed\xa0\x80",  // a surrogate, not a character
      "\xc0\xaf",
      "\xe0\x80\xaf",
      "\xf4\x90\x80\x80",
      "\xc2",
      "\x00",
  };
  std::string text;
  size_t count = random() % 12;
  for (size_t i = 0; i < count; ++i) {
    text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
  }
  return text;
}

// An independent reading of the well-formed UTF-8 byte sequences (Unicode, table 3-7): each
// byte outside one becomes U+FFFD.
std::string ReferenceValidUtf8(const std::string& text) {
  std::string out;
  size_t i = 0;
  auto in = [&](size_t at, int lo, int hi) {
    if (at >= text.size()) return false;
    int c = static_cast<unsigned char>(text[at]);
    return c >= lo && c <= hi;
  };
  while (i < text.size()) {
    int c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    if (c <= 0x7F) {
      length = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = in(i + 1, 0x80, 0xBF) ? 2 : 0;
    } else if (c == 0xE0) {
      length = in(i + 1, 0xA0, 0xBF) && in(i + 2, 0x80, 0xBF) ? 3 : 0;
    } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
      length = in(i + 1, 0x80, 0xBF) && in(i + 2, 0x80, 0xBF) ? 3 : 0;
    } else if (c == 0xED) {
      length = in(i + 1, 0x80, 0x9F) && in(i + 2, 0x80, 0xBF) ? 3 : 0;
    } else if (c == 0xF0) {
      length = in(i + 1, 0x90, 0xBF) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF) ? 4 : 0;
    } else if (c >= 0xF1 && c <= 0xF3) {
      length = in(i + 1, 0x80, 0xBF) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF) ? 4 : 0;
    } else if (c == 0xF4) {
      length = in(i + 1, 0x80, 0x8F) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF) ? 4 : 0;
    }
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

TEST(Utf8Forms, ConverterGivesTheBytesOfGbkToUtf8) {
  std::mt19937 random(936);
  GbkToUtf8Converter converter;  // one converter for all texts, as the index uses it
  for (int i = 0; i < 20000; ++i) {
    std::string text = RandomText(random);
    std::string out = "prefix";
    converter.Append(text, &out);
    ASSERT_EQ(out, "prefix" + GbkToUtf8(text)) << i;
  }
  std::string out;
  converter.Append("\xba\xd3\xb1\xb1", &out);
  EXPECT_EQ(out, "河北");
}

TEST(Utf8Forms, AppendValidUtf8KeepsWellFormedCharactersOnly) {
  std::mt19937 random(65001);
  for (int i = 0; i < 20000; ++i) {
    std::string text = RandomText(random);
    std::string out = "\xba";  // whatever is already there stays as it is
    AppendValidUtf8(text, &out);
    ASSERT_EQ(out, "\xba" + ReferenceValidUtf8(text)) << i;
    ASSERT_EQ(ValidUtf8(text), ReferenceValidUtf8(text)) << i;
  }
}

}  // namespace
}  // namespace korvalind
