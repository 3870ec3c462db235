#pragma once

#include <functional>

class wxWindow;

namespace korvalind::ui {

// Adds an item with label (UTF-8) at the end of the context menu that GTK shows for the text
// entry of control (a single-line text control or a combo box); choosing it runs action. The
// action lives as long as the control.
void AddEntryMenuItem(wxWindow* control, const char* label, std::function<void()> action);

}  // namespace korvalind::ui
