#pragma once

#include <wx/event.h>

#include <cstddef>

class wxTextCtrl;

namespace korvalind::ui {

// The character filter of the hidden digit edit: attached to the edit like a subclass (pushed on
// its event handlers), it drops every typed character that cannot continue an accepted segment.
// What it lets through still meets the edit's own rules: digits only, at most 7 characters.
class CDigitEdit : public wxEvtHandler {
 public:
  CDigitEdit() = default;
  CDigitEdit(const CDigitEdit&) = delete;
  CDigitEdit& operator=(const CDigitEdit&) = delete;
  ~CDigitEdit() override;

  // Attaches the filter to edit; a second call while attached does nothing.
  void SubclassWindow(wxTextCtrl* edit);
  bool IsAttached() const { return m_edit != nullptr; }

  // With length bytes already in the edit: only "1" first, only "3" second, anything but "2" and
  // "4" third, anything after that.
  static bool IsAcceptedChar(int ch, size_t length);
  // The same with the edit's current text length (code page 936 bytes).
  bool IsAcceptedChar(int ch) const;

 private:
  void OnChar(wxKeyEvent& event);
  void OnEditDestroy(wxWindowDestroyEvent& event);

  wxTextCtrl* m_edit = nullptr;
};

}  // namespace korvalind::ui
