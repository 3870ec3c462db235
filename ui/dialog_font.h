#pragma once

#include <wx/font.h>

#include <functional>
#include <string>

namespace korvalind::ui {

// The dialog templates ask for "宋体"; where it is not installed the first installed face of a
// list of CJK faces stands in for it (its other names, then common Linux CJK fonts, the one in
// the project's dependencies among them). Empty when none is installed (the default face then).
std::string ChooseDialogFace(const std::function<bool(const std::string&)>& isInstalled);

// The dialog font at the given point size in the chosen face.
wxFont DialogFont(int points);

}  // namespace korvalind::ui
