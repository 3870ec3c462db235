// The GUI tests drive the real program: one application object for the whole run, started and
// closed again by each test (AppSession), on a virtual display.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/init.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "screenshot.h"
#include "support/temp_dir.h"
#include "ui/korvalind_app.h"

namespace {

// A failed wx assertion would open a dialog and wait for ever on the virtual display: it fails
// the running test instead.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE_AT(file.utf8_string().c_str(), line)
      << "wx assertion " << cond.utf8_string() << " in " << func.utf8_string() << ": "
      << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The settings store (recent files) goes to a folder of its own.
  korvalind::testing::TempDir home;
  setenv("HOME", home.path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").c_str(), 1);
  // The GTK file chooser keeps its settings in memory: there is no session bus here.
  setenv("GSETTINGS_BACKEND", "memory", 1);
  wxSetAssertHandler(FailOnAssert);
  wxApp::SetInstance(new korvalind::ui::CKorvalindApp);
  if (!wxEntryStart(argc, argv)) return 2;
  // --screenshot FILE [QUERY]: no tests, a picture of the window after a query instead.
  int result;
  if (argc >= 3 && std::string(argv[1]) == "--screenshot") {
    result = korvalind::testing::TakeScreenshot(argv[2], argc >= 4 ? argv[3] : "1390123");
  } else {
    result = RUN_ALL_TESTS();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
