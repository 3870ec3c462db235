#pragma once

#include <wx/xrc/xmlres.h>

namespace korvalind::ui {

// Creates a CLinkLabel from <object class="CLinkLabel"> with the usual label, pos, size and
// style; the dialog binds it (CLinkLabel::PreSubclassWindow) after loading.
class CLinkLabelXmlHandler : public wxXmlResourceHandler {
 public:
  CLinkLabelXmlHandler();
  wxObject* DoCreateResource() override;
  bool CanHandle(wxXmlNode* node) override;
};

}  // namespace korvalind::ui
