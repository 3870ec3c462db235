#pragma once

#include <wx/xrc/xmlres.h>

namespace korvalind::ui {

// XRC has no accelerator-table resource; this handler adds one:
//
//   <object class="wxAcceleratorTable" name="IDR_MAINFRAME">
//     <accel key="Ctrl+N">ID_FILE_NEW</accel>   (key as wxAcceleratorEntry::FromString reads it)
//   </object>
//
// Load it with wxXmlResource::LoadObject(nullptr, name, "wxAcceleratorTable"); the caller owns
// the returned wxAcceleratorTable.
class AcceleratorTableXmlHandler : public wxXmlResourceHandler {
 public:
  wxObject* DoCreateResource() override;
  bool CanHandle(wxXmlNode* node) override;
};

}  // namespace korvalind::ui
