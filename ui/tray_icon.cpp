#include "ui/tray_icon.h"

#include <wx/settings.h>
#include <wx/time.h>

#include "ui/resource_ids.h"

namespace korvalind::ui {
namespace {

long NowMs() { return static_cast<long>(wxGetLocalTimeMillis().GetValue()); }

long DoubleClickMs() {
  const int ms = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
  return ms > 0 ? ms : 500;
}

}  // namespace

CTrayIcon::CTrayIcon(Notify notify) : m_notify(std::move(notify)), m_clicks(DoubleClickMs()) {
  Bind(wxEVT_TASKBAR_LEFT_DOWN, &CTrayIcon::OnLeftDown, this);
  Bind(wxEVT_TASKBAR_LEFT_DCLICK, &CTrayIcon::OnLeftDoubleClick, this);
  Bind(wxEVT_TASKBAR_RIGHT_DOWN, &CTrayIcon::OnRightDown, this);
}

void CTrayIcon::Report(TrayClickFilter::Click click) {
  if (click == TrayClickFilter::Click::kPress) m_notify(WM_LBUTTONDOWN);
  if (click == TrayClickFilter::Click::kDoubleClick) m_notify(WM_LBUTTONDBLCLK);
}

void CTrayIcon::OnLeftDown(wxTaskBarIconEvent& /*event*/) { Report(m_clicks.LeftDown(NowMs())); }

void CTrayIcon::OnLeftDoubleClick(wxTaskBarIconEvent& /*event*/) {
  Report(m_clicks.LeftDoubleClick(NowMs()));
}

void CTrayIcon::OnRightDown(wxTaskBarIconEvent& /*event*/) { m_notify(WM_RBUTTONDOWN); }

}  // namespace korvalind::ui
