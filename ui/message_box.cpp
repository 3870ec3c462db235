#include "ui/message_box.h"

#include <wx/msgdlg.h>

#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {

void ShowMessage(wxWindow* parent, const wxString& text) {
  wxMessageBox(text, Utf8ToWx(kAppName), wxOK | wxICON_EXCLAMATION, parent);
}

void ShowGbkMessage(wxWindow* parent, std::string_view gbk) { ShowMessage(parent, GbkToWx(gbk)); }

}  // namespace korvalind::ui
