#pragma once

#include <wx/cursor.h>
#include <wx/font.h>
#include <wx/generic/stattextg.h>
#include <wx/timer.h>

#include <string>

namespace korvalind::ui {

// The hyperlink control: static text drawn in link colours, underlined while the pointer is over
// it, with a hand pointer and the target in its tooltip; a click opens the target with OpenUrl
// and a failure beeps and says why. It derives from the generic static text because the native
// one gets no mouse events on GTK.
class CLinkLabel : public wxGenericStaticText {
 public:
  // The hot colour until SetLinkColors; wxNullColour given there means the system highlight.
  // Normal and opened start as the theme's link and visited colours.
  static const wxColour kDefaultHot;  // RGB(255, 0, 0)
  static constexpr int kHoverTimerId = 100;
  static constexpr int kHoverPeriodMs = 100;

  CLinkLabel(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
             const wxSize& size, long style);
  ~CLinkLabel() override;

  // Binds the control as a dialog binds it to its member: the target and the text fill each
  // other when one is empty, the underlined font is made, the control fits its text and gets
  // its fallback cursor and its tooltip. Call once, before the other operations.
  void PreSubclassWindow();

  void SetTarget(const wxString& target);
  const wxString& GetTarget() const { return m_strTarget; }
  void SetLinkColors(const wxColour& normal, const wxColour& opened, const wxColour& hot);
  wxColour GetNormalColor() const { return m_clrNormal; }
  // The colour the text is drawn in now.
  wxColour CurrentColor() const;
  void MarkOpened(bool opened);
  bool IsOpened() const { return m_bOpened; }
  bool IsHot() const { return m_bHot; }
  // A null cursor makes the control use its fallback cursor.
  void SetHandCursor(const wxCursor& cursor);

  // The click: starts opening the target; OnOpenResult shows a failure when it is known.
  void OnClicked();
  // How many opening results have arrived (each click brings one).
  int OpenResults() const { return m_results; }

 private:
  void OnOpenResult(int result);
  void FitToText();
  void LoadFallbackCursor();
  void ShowOpenError(int code);
  void ApplyState();

  void OnMouseMove(wxMouseEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnEraseBackground(wxEraseEvent& event);

  wxColour m_clrNormal;
  wxColour m_clrOpened;
  wxColour m_clrHot = kDefaultHot;
  bool m_bHot = false;
  bool m_bOpened = false;
  wxString m_strTarget;
  wxFont m_fontUnderlined;
  wxFont m_pPlainFont;
  wxCursor m_hHandCursor;
  wxTimer m_timer;
  bool m_pressed = false;
  int m_results = 0;
};

// The rectangle FitToText gives a control: window is its rectangle in the parent, border the
// window size minus the client size, text the extent of its text. Vertically centred controls
// (wxALIGN_CENTRE_VERTICAL) shrink evenly at top and bottom, others keep their top; centred ones
// (wxALIGN_CENTRE_HORIZONTAL) shrink evenly at both sides, right-aligned ones keep their right
// edge, others their left.
wxRect FitRectToText(const wxRect& window, const wxSize& border, const wxSize& text, long style);

}  // namespace korvalind::ui
