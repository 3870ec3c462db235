#include "ui/theme_colours.h"

#include <wx/settings.h>

#include <algorithm>
#include <cmath>

namespace korvalind::ui {
namespace {

// How far the visited colour moves from the link colour, away from the background.
constexpr int kVisitedShift = 25;

double Luminance(const wxColour& c) {
  auto linear = [](unsigned char v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.Red()) + 0.7152 * linear(c.Green()) + 0.0722 * linear(c.Blue());
}

}  // namespace

LinkColours ThemeLinkColours() {
  // wxGTK reads the theme's :link colour for the hot-light system colour.
  const wxColour link = wxSystemSettings::GetColour(wxSYS_COLOUR_HOTLIGHT);
  const bool dark = wxSystemSettings::GetAppearance().IsUsingDarkBackground();
  // The theme's :visited colour is not offered: a visited link is the link colour moved away
  // from the background, so it stays readable and tells itself apart.
  return {link, link.ChangeLightness(dark ? 100 + kVisitedShift : 100 - kVisitedShift)};
}

double ContrastRatio(const wxColour& a, const wxColour& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace korvalind::ui
