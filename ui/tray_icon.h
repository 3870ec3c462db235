#pragma once

#include <wx/taskbar.h>

#include <functional>

#include "ui/tray_click_filter.h"

namespace korvalind::ui {

// The form's notification-area icon. It hands the mouse messages that matter to the form as the
// Windows callback would (WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN); a left
// double-click only when it is a real one (TrayClickFilter).
class CTrayIcon : public wxTaskBarIcon {
 public:
  using Notify = std::function<void(int mouseMessage)>;
  explicit CTrayIcon(Notify notify);

 private:
  void Report(TrayClickFilter::Click click);
  void OnLeftDown(wxTaskBarIconEvent& event);
  void OnLeftDoubleClick(wxTaskBarIconEvent& event);
  void OnRightDown(wxTaskBarIconEvent& event);

  Notify m_notify;
  TrayClickFilter m_clicks;
};

}  // namespace korvalind::ui
