#include <gtest/gtest.h>

#include "ui/link_label.h"

namespace korvalind::ui {
namespace {

TEST(LinkLabelGeometry, FitsTheRectangleToTheText) {
  struct Case {
    const char* name;
    long style;
    wxRect expected;
  };
  // A 101 x 17 control at (39, 40) with a 2-pixel border all round (4 x 4) and a 51 x 12 text:
  // it needs 55 x 16.
  const wxRect window(39, 40, 101, 17);
  const wxSize border(4, 4);
  const wxSize text(51, 12);
  const Case cases[] = {
      {"left, top", 0, wxRect(39, 40, 55, 16)},
      {"right", wxALIGN_RIGHT, wxRect(140 - 55, 40, 55, 16)},
      // (101 - 55) / 2 = 23 off each side.
      {"centred", wxALIGN_CENTRE_HORIZONTAL, wxRect(39 + 23, 40, 55, 16)},
      // (17 - 16) / 2 = 0: the height stays 17.
      {"centred vertically", wxALIGN_CENTRE_VERTICAL, wxRect(39, 40, 55, 17)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitRectToText(window, border, text, c.style), c.expected) << c.name;
  }
}

TEST(LinkLabelGeometry, GrowingSplitsTruncatingTowardZero) {
  // Needed 60 x 20 in a 47 x 11 window: (47 - 60) / 2 = -6 and (11 - 20) / 2 = -4, so the window
  // grows by 12 and 8, one pixel short of the text where the difference is odd.
  const wxRect grown = FitRectToText(wxRect(10, 10, 47, 11), wxSize(0, 0), wxSize(60, 20),
                                     wxALIGN_CENTRE_HORIZONTAL | wxALIGN_CENTRE_VERTICAL);
  EXPECT_EQ(grown, wxRect(4, 6, 59, 19));
}

}  // namespace
}  // namespace korvalind::ui
