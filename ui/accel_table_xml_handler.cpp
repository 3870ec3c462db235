#include "ui/accel_table_xml_handler.h"

#include <wx/accel.h>
#include <wx/xml/xml.h>

#include <vector>

namespace korvalind::ui {

bool AcceleratorTableXmlHandler::CanHandle(wxXmlNode* node) {
  return IsOfClass(node, wxS("wxAcceleratorTable"));
}

wxObject* AcceleratorTableXmlHandler::DoCreateResource() {
  std::vector<wxAcceleratorEntry> entries;
  for (wxXmlNode* child = m_node->GetChildren(); child; child = child->GetNext()) {
    if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName() != wxS("accel")) continue;
    wxAcceleratorEntry entry;
    wxString command = child->GetNodeContent();
    command.Trim().Trim(false);
    if (!entry.FromString(child->GetAttribute(wxS("key"))) || command.empty()) {
      ReportError(child, wxS("accelerator needs a key and a command name"));
      continue;
    }
    entry.Set(entry.GetFlags(), entry.GetKeyCode(), wxXmlResource::GetXRCID(command));
    entries.push_back(entry);
  }
  return new wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

}  // namespace korvalind::ui
