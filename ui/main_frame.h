#pragma once

#include <wx/accel.h>
#include <wx/docview.h>

#include <vector>

class wxConfigBase;

namespace korvalind::ui {

// The main window: menu "功能(&F)", the accelerator table, the program's icon and the dialog
// font (which the form's dialog units are measured with). No tool bar and no status bar.
class CMainFrame : public wxDocParentFrame {
 public:
  explicit CMainFrame(wxDocManager* manager);

  // The menu's shortcut texts that the accelerator table does not bind (Ctrl+G, Ctrl+U).
  const std::vector<wxAcceleratorEntry>& LabelOnlyShortcuts() const { return m_labelOnly; }

  // Moves the window where it stood when it was last closed, if that place is on a screen now.
  void RestorePosition(wxConfigBase& settings);

 private:
  void LoadMenuAndAccelerators();
  void OnCharHook(wxKeyEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnUnhandledCommand(wxCommandEvent& event);

  std::vector<wxAcceleratorEntry> m_labelOnly;
};

}  // namespace korvalind::ui
