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

namespace {
int dialogs_opened = 0;
}  // namespace

int DialogsOpened() { return dialogs_opened; }

DialogCatcher::DialogCatcher() { Register(); }

DialogCatcher::~DialogCatcher() { Unregister(); }

int DialogCatcher::Enter(wxDialog* dialog) {
  // A dialog left to run is announced again by the base class's ShowModal: let it run.
  if (running_.count(dialog)) return wxID_NONE;
  ++dialogs_opened;
  if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
    boxes.push_back({box->GetTitle(), box->GetMessage()});
    if (onBox) onBox();
    return wxID_OK;
  }
  if (auto* files = dynamic_cast<wxFileDialog*>(dialog)) {
    fileDialogs.push_back(files->GetTitle());
    fileNames.push_back(files->GetFilename());
    if (filePaths.empty()) return wxID_CANCEL;
    const wxString path = filePaths.front();
    filePaths.erase(filePaths.begin());
    // The GTK file chooser takes a path only once it runs: answer from inside its modal loop.
    running_.insert(dialog);
    files->CallAfter([files, path] {
      files->SetPath(path);
      PumpUntil([files, path] { return files->GetPath() == path; }, 2000);
      files->EndModal(wxID_OK);
    });
    return wxID_NONE;
  }
  otherDialogs.push_back(dialog->GetClassInfo()->GetClassName());
  if (!onDialog) return otherAnswer;
  running_.insert(dialog);
  dialog->CallAfter([this, dialog] { onDialog(dialog); });
  return wxID_NONE;
}

void DialogCatcher::Exit(wxDialog* dialog) { running_.erase(dialog); }

InputWatcher::InputWatcher() { wxEvtHandler::AddFilter(this); }

InputWatcher::~InputWatcher() { wxEvtHandler::RemoveFilter(this); }

int InputWatcher::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_KEY_UP) ++keyUps;
  if (type == wxEVT_LEFT_UP) ++buttonUps;
  if (type == wxEVT_BUTTON) ++buttonClicks;
  return Event_Skip;
}

std::string WorkedDirectoryImage(const std::vector<std::string>& extraSegments) {
  std::string image;
  image += "\xba\xd3\xb1\xb1|";                                       // 河北|
  image += "\xca\xaf\xbc\xd2\xd7\xaf|";                               // 石家庄|
  image += "\xba\xd3\xb1\xb1,\xca\xaf\xbc\xd2\xd7\xaf:050000,0311|";  // 河北,石家庄:050000,0311|
  image += "||";
  image += std::string("\x20\x39\x01\x23\x02\x00\x01\x00", 8);
  for (const std::string& segment : extraSegments) {  // "1390125": key bytes 39 01 25
    image += '\x20';
    for (size_t i = 1; i < 7; i += 2) {
      image += static_cast<char>((segment[i] - '0') * 16 + (segment[i + 1] - '0'));
    }
    image += std::string("\x02\x00\x01\x00", 4);
  }
  const auto records_end = static_cast<std::uint32_t>(46 + 8 * extraSegments.size());
  for (std::uint32_t end : {12u, 38u, records_end}) {
    for (int i = 0; i < 4; ++i) image += static_cast<char>((end >> (8 * i)) & 0xFF);
  }
  return image;
}

std::string WriteWorkedDirectory(const TempDir& dir, const std::string& name,
                                 const std::vector<std::string>& extraSegments) {
  const std::string path = dir.File(name);
  WriteFile(path, EncipherBytes(WorkedDirectoryImage(extraSegments), CipherKey));
  return path;
}

AppSession::AppSession(const Options& options)
    : directory_env_("KORVALIND_DIRECTORY", options.directory) {
  app().SetMaintainer(options.maintainer);
  app().SetFileToOpen(wxString::FromUTF8(options.fileToOpen));
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
  EXPECT_EQ(wxTopLevelWindows.GetCount(), 0u) << "a window outlived the session";
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

wxString AppSession::Caption() const { return frame()->GetTitle(); }

std::vector<wxString> AppSession::History() const {
  std::vector<wxString> entries;
  wxComboBox* box = NumberBox();
  for (unsigned i = 0; i < box->GetCount(); ++i) entries.push_back(box->GetString(i));
  return entries;
}

void AppSession::TypeText(const std::string& ascii) {
  for (char c : ascii) Key(static_cast<unsigned char>(c));
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

void AppSession::PressEnter() {
  const int before = input_.buttonClicks;
  Key(WXK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return input_.buttonClicks > before; }, 2000));
}

void AppSession::Key(int keycode, int modifiers) {
  const int before = input_.keyUps;
  const int dialogs_before = DialogsOpened();
  wxUIActionSimulator().Char(keycode, modifiers);
  // The release comes after the press: once it is seen, the key has been handled.
  EXPECT_TRUE(
      PumpUntil([&] { return input_.keyUps > before || DialogsOpened() > dialogs_before; }, 2000))
      << "key " << keycode;
  Pump(10);
}

void AppSession::Click(const char* name) { ClickWindow(Control(name)); }

void AppSession::MoveMouseTo(const wxPoint& screen) {
  wxUIActionSimulator().MouseMove(screen);
  PumpUntil([screen] { return wxGetMousePosition() == screen; }, 1000);
  Pump(20);
}

void AppSession::ClickWindow(wxWindow* window) {
  MoveMouseTo(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
  const int before = input_.buttonUps;
  const int dialogs_before = DialogsOpened();
  wxUIActionSimulator().MouseClick();
  EXPECT_TRUE(PumpUntil(
      [&] { return input_.buttonUps > before || DialogsOpened() > dialogs_before; }, 2000))
      << window->GetName();
  Pump(10);
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
