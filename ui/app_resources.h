#pragma once

#include <wx/cursor.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

namespace korvalind::ui {

// Registers the image handlers, the XRC handlers (the standard ones, the accelerator table and
// the hyperlink control), the resource ids and the resources compiled into the program. Safe to
// call more than once; only the first call does anything.
void InitResources();

// Icon 128, the program's icon, in its 32 x 32 and 16 x 16 forms.
wxIconBundle LoadAppIcons();

// Cursor 131, the links' pointing hand, hot spot at x 1, y 11.
wxCursor LoadHandCursor();
// Its image, with the hot spot in the image's cursor options.
wxImage LoadHandCursorImage();

}  // namespace korvalind::ui
