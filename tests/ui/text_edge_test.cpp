#include "ui/text_edge.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/dialog_font.h"

namespace korvalind::ui {
namespace {

TEST(TextEdge, GbkConvertsPerCharacter) {
  // 河北 in code page 936; then 河, A and 0xFF, which is no character of the code page.
  EXPECT_EQ(GbkToWx("\xba\xd3\xb1\xb1"), wxString::FromUTF8("河北"));
  EXPECT_EQ(GbkToWx("\xba\xd3"
                    "A\xff"),
            wxString::FromUTF8("河A\xef\xbf\xbd"));
  EXPECT_EQ(WxToGbk(wxString::FromUTF8("河北1")),
            "\xba\xd3\xb1\xb1"
            "1");
  // A character without a code page 936 form spoils only itself.
  EXPECT_EQ(WxToGbk(wxString::FromUTF8("a\xf0\x9f\x98\x80"
                                       "b")),
            "a?b");
}

TEST(TextEdge, GbkOffsetCountsBytes) {
  const wxString text = wxString::FromUTF8("1河3北5");
  struct Case {
    long pos;
    size_t offset;
  };
  for (const Case& c :
       {Case{-1, 0}, Case{0, 0}, Case{1, 1}, Case{2, 3}, Case{4, 6}, Case{5, 7}, Case{99, 7}}) {
    EXPECT_EQ(GbkOffset(text, c.pos), c.offset) << c.pos;
  }
}

TEST(TextEdge, MessagesAreUtf8OrCodePage936) {
  EXPECT_EQ(MessageToWx("file \"/tmp/\xe6\xb2\xb3\" is damaged"),
            wxString::FromUTF8("file \"/tmp/河\" is damaged"));
  EXPECT_EQ(MessageToWx("city \xba\xd3\xb1\xb1 too long"),
            wxString::FromUTF8("city 河北 too long"));
  EXPECT_EQ(MessageToWx(""), wxString());
}

TEST(DialogFont, PrefersSongtiThenItsStandIns) {
  struct Case {
    std::vector<std::string> installed;
    std::string chosen;
  };
  const Case cases[] = {
      {{"宋体", "WenQuanYi Zen Hei"}, "宋体"},
      {{"DejaVu Sans", "SimSun"}, "SimSun"},
      {{"WenQuanYi Zen Hei", "Noto Sans CJK SC"}, "Noto Sans CJK SC"},
      {{"WenQuanYi Zen Hei"}, "WenQuanYi Zen Hei"},
      {{"DejaVu Sans"}, ""},
  };
  for (const Case& c : cases) {
    auto installed = [&c](const std::string& face) {
      return std::find(c.installed.begin(), c.installed.end(), face) != c.installed.end();
    };
    EXPECT_EQ(ChooseDialogFace(installed), c.chosen);
  }
}

}  // namespace
}  // namespace korvalind::ui
