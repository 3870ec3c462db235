#pragma once

namespace korvalind::ui {

// Turns the notification icon's left-button reports into presses and real double-clicks.
// Trays differ: some report a second press for a double-click, some a double-click instead of
// the second press, and some report every single click as a press followed at once by a
// double-click. A double-click counts only when two presses came within the double-click time,
// or when a reported double-click is not the echo of a press of the same moment.
class TrayClickFilter {
 public:
  enum class Click { kNone, kPress, kDoubleClick };
  // A report this close to a press is the same click reported twice.
  static constexpr long kEchoMs = 50;

  explicit TrayClickFilter(long doubleClickMs) : m_doubleClickMs(doubleClickMs) {}

  Click LeftDown(long timeMs);
  Click LeftDoubleClick(long timeMs);

 private:
  long m_doubleClickMs;
  bool m_pressed = false;  // a press waits for its second one, at m_pressTime
  long m_pressTime = 0;
  bool m_doubled = false;  // a double-click was just made from two presses, at m_doubleTime
  long m_doubleTime = 0;
};

}  // namespace korvalind::ui
