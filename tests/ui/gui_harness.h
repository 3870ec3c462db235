#pragma once

#include <wx/dialog.h>
#include <wx/eventfilter.h>
#include <wx/modalhook.h>
#include <wx/string.h>

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "scoped_env.h"
#include "support/temp_dir.h"

class wxComboBox;
class wxTextCtrl;
class wxWindow;

namespace korvalind::ui {
class CKorvalindApp;
class CKorvalindView;
class CMainFrame;
}  // namespace korvalind::ui

namespace korvalind::testing {

// Runs the event loop until done() holds or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);
// Runs the event loop for about ms milliseconds.
void Pump(int ms = 100);

// How many modal dialogs have opened in the whole run (a key that opens one is handled when the
// dialog has come and gone, and its release goes to the dialog).
int DialogsOpened();

// Every modal dialog that opens while it lives: message boxes are recorded (caption and text)
// and answered OK without showing; a file dialog gets the next queued path (or is cancelled
// when none is queued); any other dialog is shown and onDialog runs inside its modal loop
// (it must end the dialog), or it is answered OK when onDialog is empty.
class DialogCatcher : public wxModalDialogHook {
 public:
  struct Box {
    wxString caption;
    wxString text;
  };
  DialogCatcher();
  ~DialogCatcher() override;

  std::vector<Box> boxes;
  std::vector<wxString> fileDialogs;   // the titles of the file dialogs seen
  std::vector<wxString> fileNames;     // the file names they proposed
  std::vector<wxString> filePaths;     // answers for the next file dialogs, first first
  std::vector<wxString> otherDialogs;  // class names of the other dialogs
  std::function<void(wxDialog*)> onDialog;
  int otherAnswer = wxID_OK;  // the answer to other dialogs when onDialog is empty
  // Runs when a message box opens, before it is answered: to look at the window behind it.
  std::function<void()> onBox;

 protected:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog* dialog) override;

 private:
  std::set<wxDialog*> running_;
};

// A small enciphered directory: places 河北 and 石家庄, the zone entry 河北,石家庄:050000,0311
// and two empty zone entries, one record for 1390123 (kind 1, city 2, province 1) and, for each
// of extraSegments, one more record (kind 1, the same place). Written to dir/name; returns the
// path.
std::string WriteWorkedDirectory(const TempDir& dir, const std::string& name = "Korvalind.dat",
                                 const std::vector<std::string>& extraSegments = {});
// The plain bytes of that directory.
std::string WorkedDirectoryImage(const std::vector<std::string>& extraSegments = {});

// Counts the key and mouse-button releases that reach any window, so that a simulated input can
// be waited for until the program has handled it.
class InputWatcher : public wxEventFilter {
 public:
  InputWatcher();
  ~InputWatcher() override;
  int FilterEvent(wxEvent& event) override;
  int keyUps = 0;
  int buttonUps = 0;
  int buttonClicks = 0;  // wxEVT_BUTTON: GTK presses a button activated by a key for 250 ms
};

// The application started as the program starts, and closed again at the end.
class AppSession {
 public:
  struct Options {
    std::string directory = {};  // KORVALIND_DIRECTORY; empty: the bundled directory
    bool maintainer = false;
    std::string fileToOpen = {};  // a file named on the command line
  };
  explicit AppSession(const Options& options);
  ~AppSession();
  AppSession(const AppSession&) = delete;
  AppSession& operator=(const AppSession&) = delete;

  bool started() const { return started_; }
  ui::CKorvalindApp& app() const;
  ui::CMainFrame* frame() const;
  ui::CKorvalindView* view() const;
  wxWindow* Control(const char* name) const;
  wxComboBox* NumberBox() const;
  wxString Text(const char* name) const;  // an edit's value or a static's label
  wxString Caption() const;
  std::vector<wxString> History() const;

  // Real input: focus the number box, replace its text by typing, press Enter.
  void TypeIntoNumberBox(const std::string& ascii);
  // Enter, waiting until the default button (Query) has been pressed by it.
  void PressEnter();
  void Key(int keycode, int modifiers = 0);
  void TypeText(const std::string& ascii);
  void Click(const char* name);  // a left click in the middle of a control
  void ClickWindow(wxWindow* window);
  void MoveMouseTo(const wxPoint& screen);
  // Sends the frame a menu command as the menu does.
  void MenuCommand(int id);

 private:
  ScopedEnv directory_env_;
  bool started_ = false;
  InputWatcher input_;
};

// The five result fields, in the order province, city, SIM card kind, area code, postal code.
std::vector<wxString> ResultFields(const AppSession& session);

}  // namespace korvalind::testing
