#include "ui/main_frame.h"

#include <wx/config.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include <memory>

#include "ui/app_resources.h"
#include "ui/dialog_font.h"
#include "ui/resource_ids.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {
namespace {

// Large enough for the form: the initial update shrinks the window to fit it.
const wxSize kInitialSize(800, 600);
constexpr int kFormFontPoints = 12;
// Where the window's last position is kept in the settings.
constexpr wchar_t kPositionX[] = L"/Window/X";
constexpr wchar_t kPositionY[] = L"/Window/Y";

bool SameKey(const wxAcceleratorEntry& a, const wxAcceleratorEntry& b) {
  return a.GetFlags() == b.GetFlags() && a.GetKeyCode() == b.GetKeyCode();
}

}  // namespace

CMainFrame::CMainFrame(wxDocManager* manager)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, Utf8ToWx(kAppName), wxDefaultPosition,
                       kInitialSize) {
  SetIcons(LoadAppIcons());
  // Dialog units are measured with the top-level window's font: set before the form loads.
  SetFont(DialogFont(kFormFontPoints));
  LoadMenuAndAccelerators();
  Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  // Keys of the table whose commands nobody handles do nothing, and in particular never reach
  // the focused edit as its own editing keys (Ctrl+X, Shift+Delete, Ctrl+Z, Alt+Backspace).
  for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_NEXT_PANE, ID_PREV_PANE}) {
    Bind(wxEVT_MENU, &CMainFrame::OnUnhandledCommand, this, id);
  }
}

void CMainFrame::LoadMenuAndAccelerators() {
  wxXmlResource* resources = wxXmlResource::Get();
  std::unique_ptr<wxObject> object(
      resources->LoadObject(nullptr, wxS("IDR_MAINFRAME"), wxS("wxAcceleratorTable")));
  const auto* table = dynamic_cast<wxAcceleratorTable*>(object.get());
  if (table) SetAcceleratorTable(*table);
  wxMenuBar* menu_bar = resources->LoadMenuBar(wxS("IDR_MAINFRAME"));
  if (!menu_bar) return;
  // wxGTK binds the shortcut text of a menu label as a key of its own; the keys that the table
  // does not bind are caught before GTK sees them (OnCharHook).
  for (size_t m = 0; m < menu_bar->GetMenuCount(); ++m) {
    for (wxMenuItem* item : menu_bar->GetMenu(m)->GetMenuItems()) {
      std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
      if (!accel) continue;
      wxKeyEvent probe(wxEVT_KEY_DOWN);
      probe.m_keyCode = accel->GetKeyCode();
      probe.m_controlDown = (accel->GetFlags() & wxACCEL_CTRL) != 0;
      probe.m_altDown = (accel->GetFlags() & wxACCEL_ALT) != 0;
      probe.m_shiftDown = (accel->GetFlags() & wxACCEL_SHIFT) != 0;
      if (!table || table->GetCommand(probe) == -1) m_labelOnly.push_back(*accel);
    }
  }
  SetMenuBar(menu_bar);
}

void CMainFrame::OnCharHook(wxKeyEvent& event) {
  int flags = 0;
  if (event.ControlDown()) flags |= wxACCEL_CTRL;
  if (event.AltDown()) flags |= wxACCEL_ALT;
  if (event.ShiftDown()) flags |= wxACCEL_SHIFT;
  const wxAcceleratorEntry pressed(flags, event.GetKeyCode());
  // Ctrl+Q quits, as it does in the desktop's other programs (the menu's Exit command).
  if (SameKey(pressed, wxAcceleratorEntry(wxACCEL_CTRL, 'Q'))) {
    wxCommandEvent quit(wxEVT_MENU, ID_APP_EXIT);
    quit.SetEventObject(this);
    GetEventHandler()->ProcessEvent(quit);
    return;
  }
  for (const wxAcceleratorEntry& label_only : m_labelOnly) {
    if (SameKey(pressed, label_only)) return;  // swallowed: the shortcut is a label only
  }
  event.Skip();
}

void CMainFrame::RestorePosition(wxConfigBase& settings) {
  long x = 0;
  long y = 0;
  if (!settings.Read(kPositionX, &x) || !settings.Read(kPositionY, &y)) return;
  const wxPoint at(static_cast<int>(x), static_cast<int>(y));
  // The title bar's corner must lie on a screen: a monitor unplugged since keeps its place.
  if (wxDisplay::GetFromPoint(at + wxPoint(8, 8)) == wxNOT_FOUND) return;
  Move(at);
}

void CMainFrame::OnClose(wxCloseEvent& event) {
  if (wxConfigBase* settings = wxConfigBase::Get(false); settings && !IsIconized()) {
    const wxPoint at = GetPosition();
    settings->Write(kPositionX, static_cast<long>(at.x));
    settings->Write(kPositionY, static_cast<long>(at.y));
  }
  event.Skip();
}

void CMainFrame::OnUnhandledCommand(wxCommandEvent& /*event*/) {}

}  // namespace korvalind::ui
