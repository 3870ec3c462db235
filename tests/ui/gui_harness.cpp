#include "gui_harness.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "cipher/file_cipher.h"
#include "ui/korvalind_app.h"
#include "ui/korvalind_view.h"
#include "ui/main_frame.h"

namespace korvalind::testing {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    wxTheApp->Yield(true);
    wxTheApp->ProcessIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

DialogCatcher::DialogCatcher() { Register(); }

DialogCatcher::~DialogCatcher() { Unregister(); }

int DialogCatcher::Enter(wxDialog* dialog) {
  if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
    boxes.push_back({box->GetTitle(), box->GetMessage()});
    return wxID_OK;
  }
  if (auto* files = dynamic_cast<wxFileDialog*>(dialog)) {
    fileDialogs.push_back(files->GetTitle());
    if (filePaths.empty()) return wxID_CANCEL;
    files->SetPath(filePaths.front());
    filePaths.erase(filePaths.begin());
    return wxID_OK;
  }
  otherDialogs.push_back(dialog->GetClassInfo()->GetClassName());
  if (!onDialog) return wxID_OK;
  dialog->CallAfter([this, dialog] { onDialog(dialog); });
  return wxID_NONE;
}

void DialogCatcher::Exit(wxDialog* /*dialog*/) {}

std::string WorkedDirectoryImage() {
  std::string image;
  image += "\xba\xd3\xb1\xb1|";                                       // 河北|
  image += "\xca\xaf\xbc\xd2\xd7\xaf|";                               // 石家庄|
  image += "\xba\xd3\xb1\xb1,\xca\xaf\xbc\xd2\xd7\xaf:050000,0311|";  // 河北,石家庄:050000,0311|
  image += "||";
  image += std::string("\x20\x39\x01\x23\x02\x00\x01\x00", 8);
  for (std::uint32_t end : {12u, 38u, 46u}) {
    for (int i = 0; i < 4; ++i) image += static_cast<char>((end >> (8 * i)) & 0xFF);
  }
  return image;
}

std::string WriteWorkedDirectory(const TempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  WriteFile(path, EncipherBytes(WorkedDirectoryImage(), CipherKey));
  return path;
}

AppSession::AppSession(const Options& options)
    : directory_env_("KORVALIND_DIRECTORY", options.directory) {
  app().SetMaintainer(options.maintainer);
  started_ = app().InitInstance();
  if (!started_) return;
  ui::CMainFrame* main = frame();
  main->Raise();
  PumpUntil([main] { return main->IsShownOnScreen(); });
  // Keyboard input follows the pointer on a display without a window manager.
  wxUIActionSimulator().MouseMove(main->GetScreenPosition() + wxPoint(40, 40));
  Pump(50);
}

AppSession::~AppSession() {
  if (ui::CMainFrame* main = frame()) main->Close(true);
  Pump(50);
  app().ExitInstance();
  Pump(20);
}

ui::CKorvalindApp& AppSession::app() const { return *static_cast<ui::CKorvalindApp*>(wxTheApp); }
ui::CMainFrame* AppSession::frame() const { return app().MainFrame(); }
ui::CKorvalindView* AppSession::view() const { return app().View(); }

wxWindow* AppSession::Control(const char* name) const {
  return view()->Form()->FindWindow(wxXmlResource::GetXRCID(wxString::FromUTF8(name)));
}

wxComboBox* AppSession::NumberBox() const {
  return dynamic_cast<wxComboBox*>(Control("IDC_NUMBER"));
}

wxString AppSession::Text(const char* name) const {
  wxWindow* control = Control(name);
  if (auto* edit = dynamic_cast<wxTextCtrl*>(control)) return edit->GetValue();
  if (auto* label = dynamic_cast<wxStaticText*>(control)) return label->GetLabelText();
  if (auto* box = dynamic_cast<wxComboBox*>(control)) return box->GetValue();
  ADD_FAILURE() << "no text control " << name;
  return {};
}

std::vector<wxString> AppSession::History() const {
  std::vector<wxString> entries;
  wxComboBox* box = NumberBox();
  for (unsigned i = 0; i < box->GetCount(); ++i) entries.push_back(box->GetString(i));
  return entries;
}

void AppSession::TypeText(const std::string& ascii) {
  wxUIActionSimulator simulator;
  for (char c : ascii) {
    simulator.Char(static_cast<unsigned char>(c));
    Pump(10);
  }
  Pump(30);
}

void AppSession::TypeIntoNumberBox(const std::string& ascii) {
  wxComboBox* box = NumberBox();
  box->SetFocus();
  PumpUntil([box] { return wxWindow::FindFocus() != nullptr; }, 500);
  box->SelectAll();
  TypeText(ascii);
  const wxString wanted = wxString::FromUTF8(ascii);
  EXPECT_TRUE(PumpUntil([box, wanted] { return box->GetValue() == wanted; }, 2000))
      << "number box holds \"" << box->GetValue().utf8_string() << "\"";
}

void AppSession::PressEnter() { Key(WXK_RETURN); }

void AppSession::Key(int keycode, int modifiers) {
  wxUIActionSimulator().Char(keycode, modifiers);
  Pump(60);
}

void AppSession::ClickButton(const char* name) {
  wxWindow* button = Control(name);
  wxUIActionSimulator simulator;
  simulator.MouseMove(button->GetScreenRect().GetPosition() + button->GetSize() / 2);
  Pump(30);
  simulator.MouseClick();
  Pump(80);
}

void AppSession::MenuCommand(int id) {
  wxCommandEvent event(wxEVT_MENU, id);
  event.SetEventObject(frame());
  frame()->GetEventHandler()->ProcessEvent(event);
  Pump(20);
}

std::vector<wxString> ResultFields(const AppSession& session) {
  return {session.Text("IDC_PROVINCE"), session.Text("IDC_CITY"), session.Text("IDC_SIMTYPE"),
          session.Text("IDC_AREACODE"), session.Text("IDC_POSTCODE")};
}

}  // namespace korvalind::testing
