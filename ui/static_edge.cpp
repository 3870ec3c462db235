#include "ui/static_edge.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/window.h>

namespace korvalind::ui {

void AddStaticEdges(wxWindow* form, std::vector<int> ids) {
  form->Bind(wxEVT_PAINT, [form, ids = std::move(ids)](wxPaintEvent&) {
    wxPaintDC dc(form);
    const wxPen shadow(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    const wxPen light(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
    for (int id : ids) {
      const wxWindow* child = form->FindWindow(id);
      if (!child || !child->IsShown()) continue;
      const wxRect r = child->GetRect().Inflate(1);
      dc.SetPen(shadow);
      dc.DrawLine(r.GetLeft(), r.GetBottom(), r.GetLeft(), r.GetTop());
      dc.DrawLine(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetTop());
      dc.SetPen(light);
      dc.DrawLine(r.GetRight(), r.GetTop(), r.GetRight(), r.GetBottom());
      dc.DrawLine(r.GetRight(), r.GetBottom(), r.GetLeft() - 1, r.GetBottom());
    }
  });
}

}  // namespace korvalind::ui
