#pragma once

#include <string>

namespace korvalind::ui {

// The text that explains a failed OpenUrl result (the shell's codes 0 to 32); any other code
// gives "Unknown Error (<code>) occurred.".
std::string OpenErrorText(int code);

// What the hyperlink control shows for a failed open: "Unable to open hyperlink:", a blank
// line, then OpenErrorText(code).
std::string OpenErrorMessage(int code);

}  // namespace korvalind::ui
