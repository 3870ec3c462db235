#include "ui/message_box.h"

#include <wx/msgdlg.h>

#include "ui/strings.h"
#include "ui/text_edge.h"
#include "ui/window_message.h"

namespace korvalind::ui {

void ShowMessage(wxWindow* parent, const wxString& text) {
  wxMessageBox(text, Utf8ToWx(kAppName), wxOK | wxICON_EXCLAMATION, parent);
}

void ShowGbkMessage(wxWindow* parent, std::string_view gbk) { ShowMessage(parent, GbkToWx(gbk)); }

wxString StatusToWx(const Status& status) {
  // The core's message may carry code page 936 bytes in a name: made whole UTF-8 first.
  return Utf8ToWx(WindowMessage(MessageToWx(status.message()).utf8_string()));
}

}  // namespace korvalind::ui
