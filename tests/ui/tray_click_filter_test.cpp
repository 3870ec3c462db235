#include "ui/tray_click_filter.h"

#include <gtest/gtest.h>

namespace korvalind::ui {
namespace {

using Click = TrayClickFilter::Click;

struct Report {
  bool doubleClick;  // false: a press
  long time;
};

std::vector<Click> Feed(const std::vector<Report>& reports) {
  TrayClickFilter filter(500);
  std::vector<Click> out;
  for (const Report& r : reports) {
    out.push_back(r.doubleClick ? filter.LeftDoubleClick(r.time) : filter.LeftDown(r.time));
  }
  return out;
}

TEST(TrayClickFilter, TellsRealDoubleClicksFromSingleClicks) {
  struct Case {
    const char* name;
    std::vector<Report> reports;
    std::vector<Click> expected;
  };
  const Case cases[] = {
      {"single press", {{false, 0}}, {Click::kPress}},
      {"two presses within the time",
       {{false, 0}, {false, 300}},
       {Click::kPress, Click::kDoubleClick}},
      {"two presses too far apart", {{false, 0}, {false, 900}}, {Click::kPress, Click::kPress}},
      {"press then reported double-click (second press)",
       {{false, 0}, {true, 250}},
       {Click::kPress, Click::kDoubleClick}},
      {"single click reported as press plus double-click",
       {{false, 0}, {true, 0}},
       {Click::kPress, Click::kNone}},
      {"echoing tray, real double-click",
       {{false, 0}, {true, 1}, {false, 300}, {true, 301}},
       {Click::kPress, Click::kNone, Click::kDoubleClick, Click::kNone}},
      {"three presses: one double-click, then a fresh press",
       {{false, 0}, {false, 200}, {false, 400}},
       {Click::kPress, Click::kDoubleClick, Click::kPress}},
  };
  for (const Case& c : cases) EXPECT_EQ(Feed(c.reports), c.expected) << c.name;
}

}  // namespace
}  // namespace korvalind::ui
