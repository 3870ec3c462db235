#include "screenshot.h"

#include <wx/window.h>

#include <cstdlib>
#include <iostream>

#include "gui_harness.h"
#include "ui/main_frame.h"

namespace korvalind::testing {

int TakeScreenshot(const std::string& path, const std::string& query) {
  AppSession session({});
  if (!session.started()) return 1;
  session.TypeIntoNumberBox(query);
  session.PressEnter();
  if (!PumpUntil([&] { return !session.Text("IDC_PROVINCE").empty(); })) {
    std::cerr << "the query of " << query << " showed no answer\n";
    return 1;
  }
  // Park the pointer outside the window and let everything repaint.
  session.MoveMouseTo(wxPoint(1000, 700));
  Pump(300);
  const wxRect r = session.frame()->GetScreenRect();
  const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                              std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                              std::to_string(r.y) + " +repage '" + path + "'";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}

}  // namespace korvalind::testing
