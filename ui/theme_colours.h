#pragma once

#include <wx/colour.h>

namespace korvalind::ui {

struct LinkColours {
  wxColour link;
  wxColour visited;
};

// The link colour of the desktop's current theme, and a visited colour made from it that keeps
// its contrast with the theme's background.
LinkColours ThemeLinkColours();

// The contrast ratio of two colours as the web's accessibility guidelines define it, from 1
// (the same luminance) to 21 (black on white).
double ContrastRatio(const wxColour& a, const wxColour& b);

}  // namespace korvalind::ui
