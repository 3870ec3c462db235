#include "ui/link_label_xml_handler.h"

#include "ui/link_label.h"

namespace korvalind::ui {

CLinkLabelXmlHandler::CLinkLabelXmlHandler() {
  XRC_ADD_STYLE(wxALIGN_LEFT);
  XRC_ADD_STYLE(wxALIGN_RIGHT);
  XRC_ADD_STYLE(wxALIGN_CENTRE_HORIZONTAL);
  XRC_ADD_STYLE(wxALIGN_CENTRE_VERTICAL);
  AddWindowStyles();
}

bool CLinkLabelXmlHandler::CanHandle(wxXmlNode* node) { return IsOfClass(node, wxS("CLinkLabel")); }

wxObject* CLinkLabelXmlHandler::DoCreateResource() {
  auto* label = new CLinkLabel(m_parentAsWindow, GetID(), GetText(wxS("label")), GetPosition(),
                               GetSize(), GetStyle());
  label->SetName(GetName());
  SetupWindow(label);
  return label;
}

}  // namespace korvalind::ui
