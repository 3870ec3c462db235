#pragma once

#include <wx/string.h>

#include <string_view>

#include "platform/status.h"

class wxWindow;

namespace korvalind::ui {

// The program's modal message box: an OK button, the exclamation icon, caption "Korvalind".
void ShowMessage(wxWindow* parent, const wxString& text);

// The same for a code page 936 text of the core.
void ShowGbkMessage(wxWindow* parent, std::string_view gbk);

// A failed core operation's message as the window words it (Chinese around the file name and
// the reason).
wxString StatusToWx(const Status& status);

}  // namespace korvalind::ui
