#include "ui/form_fit.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/display.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>

#include <algorithm>

#include "ui/resource_ids.h"

namespace korvalind::ui {
namespace {

// Margins of the form in dialog units: the template's own (7 at the left, 7 below the bottom
// buttons) and the space between two buttons of a row.
constexpr int kMarginDlu = 7;
constexpr int kButtonGapDlu = 4;

void GrowToInclude(wxWindow* form, const wxRect& r, const wxSize& margin) {
  const wxSize size = form->GetSize();
  const wxSize want(std::max(size.x, r.GetRight() + 1 + margin.x),
                    std::max(size.y, r.GetBottom() + 1 + margin.y));
  if (want != size) form->SetSize(want);
}

}  // namespace

void FitNumberBox(wxWindow* form) {
  auto* number = dynamic_cast<wxComboBox*>(form->FindWindow(IDC_NUMBER));
  wxWindow* query = form->FindWindow(IDC_QUERY);
  if (!number || !query) return;
  const wxRect box = number->GetRect();
  // One digit more than the number leaves room for the caret and the entry's inner padding.
  const wxString sample = wxString::FromAscii(kWidestNumber) + wxS("0");
  const int wanted = number->GetSizeFromTextSize(number->GetTextExtent(sample).x).x;
  if (wanted <= box.width) return;
  const int grow = wanted - box.width;
  number->SetSize(box.x, box.y, wanted, box.height);
  query->Move(query->GetPosition() + wxPoint(grow, 0));
  // Query keeps the template's distance from the form's right edge.
  const int right_margin = form->GetSize().x - (query->GetRect().GetRight() + 1 - grow);
  GrowToInclude(form, query->GetRect(), wxSize(right_margin, 0));
}

void FitStaticTexts(wxWindow* parent) {
  const int margin = parent->ConvertDialogToPixels(wxSize(kMarginDlu, 0)).x;
  const int room_right = parent->GetClientSize().x - margin;
  for (wxWindow* child : parent->GetChildren()) {
    auto* text = dynamic_cast<wxStaticText*>(child);
    if (!text || !text->IsShown()) continue;
    const wxRect r = text->GetRect();
    const wxSize need = text->GetBestSize();
    if (need.x <= r.width) continue;
    const int width = std::max(r.width, std::min(need.x, room_right - r.x));
    if (need.x <= width) {
      text->SetSize(r.x, r.y, width, r.height);
      continue;
    }
    text->Wrap(width);
    text->SetSize(r.x, r.y, width, std::max(r.height, text->GetBestSize().y));
  }
}

void PlaceButtonRow(wxWindow* form, const int* ids, int count) {
  const wxSize margin = form->ConvertDialogToPixels(wxSize(kMarginDlu, kMarginDlu));
  const int gap = form->ConvertDialogToPixels(wxSize(kButtonGapDlu, 0)).x;
  int bottom = 0;
  for (wxWindow* child : form->GetChildren()) {
    if (!child->IsShown()) continue;
    if (std::find(ids, ids + count, child->GetId()) != ids + count) continue;
    bottom = std::max(bottom, child->GetRect().GetBottom() + 1);
  }
  int x = margin.x;
  const int y = bottom + margin.y;
  for (int i = 0; i < count; ++i) {
    wxWindow* button = form->FindWindow(ids[i]);
    if (!button) continue;
    const wxSize size(std::max(button->GetSize().x, button->GetBestSize().x), button->GetSize().y);
    button->SetSize(x, y, size.x, size.y);
    button->Show();
    x += size.x + gap;
    GrowToInclude(form, button->GetRect(), margin);
  }
}

void FitFrameToForm(wxTopLevelWindow* frame, const wxSize& form) {
  const wxSize decorations = frame->GetSize() - frame->GetClientSize();
  int display = wxDisplay::GetFromWindow(frame);
  if (display == wxNOT_FOUND) display = 0;
  const wxSize work = wxDisplay(static_cast<unsigned>(display)).GetClientArea().GetSize();
  const wxSize fit(std::min(form.x, work.x - decorations.x),
                   std::min(form.y, work.y - decorations.y));
  frame->SetMinClientSize(wxDefaultSize);
  frame->SetClientSize(fit);
  frame->SetMinClientSize(fit);
}

}  // namespace korvalind::ui
