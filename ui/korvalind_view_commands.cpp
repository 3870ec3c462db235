// The query form's commands other than the query: clipboard, web pages, notification icon,
// About, printing and the maintainer buttons.

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <iterator>

#include "cipher/file_cipher.h"
#include "tools/area_code_conversion.h"
#include "tools/directory_builder.h"
#include "tools/segment_conversion.h"
#include "ui/app_resources.h"
#include "ui/build_config.h"
#include "ui/entry_menu.h"
#include "ui/form_fit.h"
#include "ui/korvalind_view.h"
#include "ui/message_box.h"
#include "ui/open_url.h"
#include "ui/resource_ids.h"
#include "ui/strings.h"
#include "ui/text_edge.h"
#include "ui/tray_icon.h"

namespace korvalind::ui {
namespace {

// The result fields in the order they stand on the form.
constexpr int kResultFields[] = {IDC_PROVINCE, IDC_CITY, IDC_SIMTYPE, IDC_AREACODE, IDC_POSTCODE};

// The encipher and decipher buttons work on fixed names in the current directory.
constexpr char kEncipherSource[] = "korvalind.dat";
constexpr char kEncipherTarget[] = "11111";
constexpr char kDecipherTarget[] = "dd.TMP";

}  // namespace

void CKorvalindView::BindCommands() {
  auto button = [this](int id, void (CKorvalindView::*handler)()) {
    m_form->Bind(
        wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
  };
  button(IDC_ORGANISE, &CKorvalindView::ConvertSegments);
  button(IDC_QUERY, &CKorvalindView::OnQuery);
  button(IDC_TAKEDATA, &CKorvalindView::OnDoNothing);
  button(IDC_CONVERT_AREACODE, &CKorvalindView::ConvertAreaCodes);
  button(IDC_VISITSITE, &CKorvalindView::OnVisitSite);
  button(IDC_MINIMIZE, &CKorvalindView::OnMinimize);
  button(IDC_ABOUT, &CKorvalindView::OnAbout);
  button(IDC_BUILD, &CKorvalindView::BuildDirectory);
  button(IDC_COMPANION, &CKorvalindView::OnCompanionSite);
  button(IDC_UPDATE, &CKorvalindView::OnOnlineUpdate);
  button(IDC_ENCRYPT, &CKorvalindView::OnEncrypt);
  button(IDC_DECRYPT, &CKorvalindView::OnDecrypt);
  m_form->Bind(
      wxEVT_TEXT, [this](wxCommandEvent&) { OnChangeDigits(); }, IDC_DIGITS);
  m_form->Bind(wxEVT_CHAR_HOOK, &CKorvalindView::OnFormKey, this);
  for (int id : {IDC_NUMBER, IDC_PROVINCE, IDC_CITY, IDC_SIMTYPE, IDC_AREACODE, IDC_POSTCODE}) {
    AddEntryMenuItem(Control(id), kCopyResults, [this] { CopyResults(); });
  }

  // Menu and accelerator commands reach the view through the document manager.
  auto menu = [this](int id, void (CKorvalindView::*handler)()) {
    Bind(
        wxEVT_MENU, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
  };
  menu(ID_VISIT_SITE, &CKorvalindView::OnVisitSite);
  menu(ID_SETTINGS, &CKorvalindView::OnDoNothing);
  menu(ID_ONLINE_UPDATE, &CKorvalindView::OnOnlineUpdate);
  menu(ID_EDIT_COPY, &CKorvalindView::OnEditCopy);
  menu(ID_EDIT_PASTE, &CKorvalindView::OnEditPaste);
  for (int id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
    Bind(
        wxEVT_MENU, [this](wxCommandEvent& event) { OnFilePrint(event.GetId()); }, id);
  }
}

void CKorvalindView::ShowMaintainerButtons() {
  // Their template places lie over the result fields: shown, they stand in a row of their own
  // below the form.
  static constexpr int kMaintainer[] = {IDC_CONVERT_AREACODE, IDC_ORGANISE, IDC_BUILD, IDC_ENCRYPT,
                                        IDC_DECRYPT};
  PlaceButtonRow(m_form, kMaintainer, static_cast<int>(std::size(kMaintainer)));
  FitFrame();
}

void CKorvalindView::OnFormKey(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  // Query is the form's default button: Enter presses it wherever the focus is, also on the
  // number box's drop-down button after a pick from the history. A focused push button takes
  // Enter as its own press.
  if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && !event.HasAnyModifiers() &&
      !dynamic_cast<wxButton*>(wxWindow::FindFocus())) {
    if (wxWindow* query = Control(IDC_QUERY)) {
      wxCommandEvent press(wxEVT_BUTTON, IDC_QUERY);
      press.SetEventObject(query);
      query->GetEventHandler()->ProcessEvent(press);
      return;
    }
  }
  event.Skip();
}

void CKorvalindView::OnDoNothing() {}

void CKorvalindView::OnEditCopy() {
  // In a result field with a selection the key copies that selection; otherwise the number
  // box's selection, wherever the focus is.
  wxWindow* focus = wxWindow::FindFocus();
  for (int id : kResultFields) {
    auto* field = dynamic_cast<wxTextCtrl*>(Control(id));
    if (field && focus == field && field->CanCopy()) {
      field->Copy();
      return;
    }
  }
  long from = 0;
  long to = 0;
  m_cbNumber->GetSelection(&from, &to);
  const wxString text = m_cbNumber->GetValue();
  // Positions count bytes of the box's code page 936 text.
  const size_t start = GbkOffset(text, from);
  const size_t end = GbkOffset(text, to);
  if (start >= end) return;
  const std::string part = WxToGbk(text).substr(start, end - start);
  if (!wxTheClipboard->Open()) return;
  wxTheClipboard->SetData(new wxTextDataObject(GbkToWx(part)));
  wxTheClipboard->Close();
}

void CKorvalindView::CopyResults() {
  wxString line;
  for (int id : kResultFields) {
    auto* field = dynamic_cast<wxTextCtrl*>(Control(id));
    if (!field) continue;
    if (!line.empty()) line += wxS(' ');
    line += field->GetValue();
  }
  if (!wxTheClipboard->Open()) return;
  wxTheClipboard->SetData(new wxTextDataObject(line));
  wxTheClipboard->Close();
}

void CKorvalindView::OnEditPaste() {
  wxString text;
  if (wxTheClipboard->Open()) {
    if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT)) {
      wxTextDataObject data;
      if (wxTheClipboard->GetData(data)) text = data.GetText();
    }
    wxTheClipboard->Close();
  }
  const size_t zero = text.find(wxUniChar(0));
  if (zero != wxString::npos) text.Truncate(zero);
  // Also when the clipboard could not be read: the box is then emptied.
  m_cbNumber->ChangeValue(text);
}

void CKorvalindView::OnMinimize() {
  // Without a notification area the form could never come back: it then stays as it is.
  if (!wxTaskBarIcon::IsAvailable()) return;
  m_scroller->Hide();
  AddTrayIcon();
}

bool CKorvalindView::AddTrayIcon() {
  RemoveTrayIcon();
  wxIconBundle icons = LoadAppIcons();
  m_hTrayIcon = icons.GetIcon(wxSize(16, 16), wxIconBundle::FALLBACK_NEAREST_LARGER);
  m_trayIcon = new CTrayIcon([this](int message) { OnTrayNotify(message); });
  return m_trayIcon->SetIcon(m_hTrayIcon, Utf8ToWx(kTrayTip));
}

bool CKorvalindView::RemoveTrayIcon() {
  if (!m_trayIcon) return false;
  const bool removed = m_trayIcon->RemoveIcon();
  m_trayIcon->Destroy();  // later: this may run inside the icon's own event handler
  m_trayIcon = nullptr;
  return removed;
}

void CKorvalindView::OnTrayNotify(int mouseMessage) {
  if (mouseMessage != WM_LBUTTONDBLCLK && mouseMessage != WM_RBUTTONDOWN) return;
  m_scroller->Show();
  GetFrame()->Layout();
  RemoveTrayIcon();
}

// The web buttons ignore the result, and never wait for the opener.
void CKorvalindView::OnVisitSite() { OpenUrlInBackground(kSiteUrl); }

void CKorvalindView::OnOnlineUpdate() { OpenUrlInBackground(kDownloadUrl); }

void CKorvalindView::OnCompanionSite() { OpenUrlInBackground(kCompanionUrl); }

void CKorvalindView::OnAbout() {
  // The application's About command, as the menu item sends it.
  wxCommandEvent about(wxEVT_MENU, ID_APP_ABOUT);
  GetFrame()->GetEventHandler()->ProcessEvent(about);
}

void CKorvalindView::OnFilePrint(int id) {
  wxCommandEvent event(wxEVT_MENU, id);
  if (id == ID_FILE_PRINT_PREVIEW) {
    GetDocumentManager()->OnPreview(event);
  } else {
    GetDocumentManager()->OnPrint(event);
  }
}

void CKorvalindView::ReportTool(const Status& status, const char* success) {
  if (!status.ok()) {
    Message(StatusToWx(status));
  } else if (success) {
    Message(Utf8ToWx(success));
  }
}

namespace {

// Runs a tool that blocks the window, with the busy pointer while it runs.
template <typename Tool>
Status RunBusy(Tool tool) {
  wxBusyCursor busy;
  return tool();
}

}  // namespace

void CKorvalindView::ConvertAreaCodes() {
  ReportTool(RunBusy([this] { return korvalind::ConvertAreaCodes(m_dataFolder); }), nullptr);
}

void CKorvalindView::ConvertSegments() {
  ReportTool(RunBusy([this] { return korvalind::ConvertSegments(m_dataFolder); }), kFinished);
}

void CKorvalindView::BuildDirectory() {
  ReportTool(RunBusy([this] { return korvalind::BuildDirectory(m_dataFolder); }), nullptr);
}

void CKorvalindView::OnEncrypt() {
  ReportTool(EncipherFileChecked(kEncipherSource, kEncipherTarget, CipherKey), nullptr);
}

void CKorvalindView::OnDecrypt() {
  ReportTool(DecipherFileChecked(kEncipherTarget, kDecipherTarget, CipherKey), nullptr);
}

}  // namespace korvalind::ui
