#pragma once

#include <wx/gdicmn.h>

class wxComboBox;
class wxTopLevelWindow;
class wxWindow;

namespace korvalind::ui {

// The longest number the number box is made to show whole: eleven digits.
inline constexpr char kWidestNumber[] = "13901234567";

// Widens the number box, at its template place, until an eleven-digit number fits beside the
// drop-down button at the current text size, and moves Query right by as much as it grew. The
// form grows when Query would leave it.
void FitNumberBox(wxWindow* form);

// Static texts whose text does not fit their given width are widened into the free space of
// their parent and, where that is not enough, wrapped onto more lines.
void FitStaticTexts(wxWindow* parent);

// Lines up the given (maintainer) buttons in a row below everything else on the form, each as
// wide as its label needs, and makes the form tall and wide enough for the row.
void PlaceButtonRow(wxWindow* form, const int* ids, int count);

// Sizes the frame so that its client area shows the whole form (within the screen's work
// area), and makes that the smallest size the user can give it. On a smaller screen the form
// keeps scrolling.
void FitFrameToForm(wxTopLevelWindow* frame, const wxSize& form);

}  // namespace korvalind::ui
