#include "ui/digit_edit.h"

#include <gtest/gtest.h>

namespace korvalind::ui {
namespace {

// Types text character by character into a model of the edit: the filter, then the edit's own
// rules (digits and control characters only, at most 7 characters, Backspace deletes).
std::string TypeInto(const std::string& keys) {
  std::string text;
  for (char c : keys) {
    if (!CDigitEdit::IsAcceptedChar(static_cast<unsigned char>(c), text.size())) continue;
    if (c == '\b') {
      if (!text.empty()) text.pop_back();
    } else if (c >= '0' && c <= '9' && text.size() < 7) {
      text += c;
    }
  }
  return text;
}

TEST(DigitEdit, AcceptsOnlyWhatCanBeginASegment) {
  struct Case {
    const char* keys;
    const char* text;
  };
  const Case cases[] = {
      {"12", "1"},  {"134", "13"},   {"132", "13"},       {"13901234", "1390123"}, {"2139", "139"},
      {"1\b", "1"}, {"13\b\b", "1"}, {"1390\b\b\b", "1"}, {"1313", "1313"},
  };
  for (const Case& c : cases) EXPECT_EQ(TypeInto(c.keys), c.text) << c.keys;
}

TEST(DigitEdit, FilterTableByLength) {
  for (int ch = 0; ch < 128; ++ch) {
    EXPECT_EQ(CDigitEdit::IsAcceptedChar(ch, 0), ch == '1') << ch;
    EXPECT_EQ(CDigitEdit::IsAcceptedChar(ch, 1), ch == '3') << ch;
    EXPECT_EQ(CDigitEdit::IsAcceptedChar(ch, 2), ch != '2' && ch != '4') << ch;
    EXPECT_TRUE(CDigitEdit::IsAcceptedChar(ch, 3)) << ch;
    EXPECT_TRUE(CDigitEdit::IsAcceptedChar(ch, 9)) << ch;
  }
}

}  // namespace
}  // namespace korvalind::ui
