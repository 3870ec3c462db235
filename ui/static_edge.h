#pragma once

#include <vector>

class wxWindow;

namespace korvalind::ui {

// Draws the thin sunken "static edge" around the given children of form. GTK draws no border
// around a static text, so the form paints it on its own background.
void AddStaticEdges(wxWindow* form, std::vector<int> ids);

}  // namespace korvalind::ui
