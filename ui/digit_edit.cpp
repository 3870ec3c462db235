#include "ui/digit_edit.h"

#include <wx/textctrl.h>

#include "ui/text_edge.h"

namespace korvalind::ui {

CDigitEdit::~CDigitEdit() {
  if (!m_edit) return;
  m_edit->Unbind(wxEVT_DESTROY, &CDigitEdit::OnEditDestroy, this);
  m_edit->RemoveEventHandler(this);
}

void CDigitEdit::SubclassWindow(wxTextCtrl* edit) {
  if (m_edit || !edit) return;
  m_edit = edit;
  Bind(wxEVT_CHAR, &CDigitEdit::OnChar, this);
  // Whichever goes first, the edit or the filter, unhooks the filter.
  m_edit->Bind(wxEVT_DESTROY, &CDigitEdit::OnEditDestroy, this);
  m_edit->PushEventHandler(this);
}

bool CDigitEdit::IsAcceptedChar(int ch, size_t length) {
  switch (length) {
    case 0:
      return ch == '1';
    case 1:
      return ch == '3';
    case 2:
      return ch != '2' && ch != '4';
    default:
      return true;
  }
}

bool CDigitEdit::IsAcceptedChar(int ch) const {
  return IsAcceptedChar(ch, m_edit ? WxToGbk(m_edit->GetValue()).size() : 0);
}

void CDigitEdit::OnEditDestroy(wxWindowDestroyEvent& event) {
  event.Skip();
  if (event.GetEventObject() != m_edit) return;
  m_edit->RemoveEventHandler(this);
  m_edit = nullptr;
}

void CDigitEdit::OnChar(wxKeyEvent& event) {
  const wxChar ch = event.GetUnicodeKey();
  // Keys that are not characters (arrows, Delete, Home...) are not filtered.
  if (ch == WXK_NONE || ch == WXK_DELETE) {
    event.Skip();
    return;
  }
  if (!IsAcceptedChar(static_cast<int>(ch))) return;  // dropped without a sound
  // The edit's digits-only rule: control characters (Backspace) pass, other non-digits do not.
  const bool digit = ch >= '0' && ch <= '9';
  if (digit || ch < 0x20) event.Skip();
}

}  // namespace korvalind::ui
