#include "ui/tray_click_filter.h"

namespace korvalind::ui {

TrayClickFilter::Click TrayClickFilter::LeftDown(long timeMs) {
  if (m_pressed && timeMs - m_pressTime <= m_doubleClickMs) {
    m_pressed = false;
    m_doubled = true;
    m_doubleTime = timeMs;
    return Click::kDoubleClick;
  }
  m_pressed = true;
  m_pressTime = timeMs;
  m_doubled = false;
  return Click::kPress;
}

TrayClickFilter::Click TrayClickFilter::LeftDoubleClick(long timeMs) {
  if (m_pressed && timeMs - m_pressTime <= kEchoMs) return Click::kNone;
  if (m_doubled && timeMs - m_doubleTime <= kEchoMs) return Click::kNone;
  m_pressed = false;
  m_doubled = false;
  return Click::kDoubleClick;
}

}  // namespace korvalind::ui
