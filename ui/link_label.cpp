#include "ui/link_label.h"

#include <wx/dcclient.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "ui/open_error.h"
#include "ui/open_url.h"
#include "ui/strings.h"
#include "ui/text_edge.h"
#include "ui/theme_colours.h"

namespace korvalind::ui {

const wxColour CLinkLabel::kDefaultHot(255, 0, 0);

wxRect FitRectToText(const wxRect& window, const wxSize& border, const wxSize& text, long style) {
  const int need_width = text.x + border.x;
  const int need_height = text.y + border.y;
  int left = window.GetLeft();
  int top = window.GetTop();
  int right = window.GetLeft() + window.GetWidth();
  int bottom = window.GetTop() + window.GetHeight();
  if (style & wxALIGN_CENTRE_VERTICAL) {
    const int shrink = (window.GetHeight() - need_height) / 2;
    top += shrink;
    bottom -= shrink;
  } else {
    bottom = top + need_height;
  }
  if (style & wxALIGN_CENTRE_HORIZONTAL) {
    const int shrink = (window.GetWidth() - need_width) / 2;
    left += shrink;
    right -= shrink;
  } else if (style & wxALIGN_RIGHT) {
    left = right - need_width;
  } else {
    right = left + need_width;
  }
  return wxRect(left, top, right - left, bottom - top);
}

CLinkLabel::CLinkLabel(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                       const wxSize& size, long style)
    : wxGenericStaticText(parent, id, label, pos, size, style | wxST_NO_AUTORESIZE),
      m_timer(this, kHoverTimerId) {
  // Fixed blue and purple would be unreadable on a dark theme: the theme's own link colours.
  const LinkColours theme = ThemeLinkColours();
  m_clrNormal = theme.link;
  m_clrOpened = theme.visited;
  Bind(wxEVT_MOTION, &CLinkLabel::OnMouseMove, this);
  Bind(wxEVT_LEFT_DOWN, &CLinkLabel::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &CLinkLabel::OnLeftUp, this);
  Bind(wxEVT_TIMER, &CLinkLabel::OnTimer, this, kHoverTimerId);
  Bind(wxEVT_ERASE_BACKGROUND, &CLinkLabel::OnEraseBackground, this);
  ApplyState();
}

CLinkLabel::~CLinkLabel() { m_timer.Stop(); }

void CLinkLabel::PreSubclassWindow() {
  if (m_strTarget.empty()) m_strTarget = GetLabel();
  if (GetLabel().empty()) SetLabel(m_strTarget);
  m_pPlainFont = GetFont();
  m_fontUnderlined = m_pPlainFont;
  m_fontUnderlined.SetUnderlined(true);
  FitToText();
  LoadFallbackCursor();
  SetToolTip(m_strTarget);
}

void CLinkLabel::SetTarget(const wxString& target) {
  m_strTarget = target;
  FitToText();
  SetToolTip(m_strTarget);
}

void CLinkLabel::SetLinkColors(const wxColour& normal, const wxColour& opened,
                               const wxColour& hot) {
  m_clrNormal = normal;
  m_clrOpened = opened;
  m_clrHot = hot.IsOk() ? hot : wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  ApplyState();
}

wxColour CLinkLabel::CurrentColor() const {
  if (m_bHot) return m_clrHot;
  return m_bOpened ? m_clrOpened : m_clrNormal;
}

void CLinkLabel::MarkOpened(bool opened) {
  m_bOpened = opened;
  ApplyState();
}

void CLinkLabel::SetHandCursor(const wxCursor& cursor) {
  m_hHandCursor = cursor;
  if (!m_hHandCursor.IsOk()) LoadFallbackCursor();
  SetCursor(m_hHandCursor);
}

void CLinkLabel::OnClicked() {
  m_bHot = false;
  ApplyState();
  // The opener may take its time (or never return): the window goes on meanwhile, and the
  // result arrives later.
  OpenUrlInBackground(std::string(m_strTarget.utf8_str()), this,
                      [this](int result) { OnOpenResult(result); });
}

void CLinkLabel::OnOpenResult(int result) {
  ++m_results;
  m_bOpened = result > 32;
  if (m_bOpened) {
    MarkOpened(true);
  } else {
    ApplyState();
    wxBell();
    ShowOpenError(result);
  }
}

void CLinkLabel::FitToText() {
  if (!m_fontUnderlined.IsOk()) return;  // not bound yet
  wxClientDC dc(this);
  dc.SetFont(m_fontUnderlined);
  const wxSize text = dc.GetMultiLineTextExtent(GetLabel());
  const wxRect window = GetRect();
  const wxSize border = GetSize() - GetClientSize();
  SetSize(FitRectToText(window, border, text, GetWindowStyle()));
}

void CLinkLabel::LoadFallbackCursor() {
  if (!m_hHandCursor.IsOk()) m_hHandCursor = wxCursor(wxCURSOR_HAND);
  SetCursor(m_hHandCursor);
}

void CLinkLabel::ShowOpenError(int code) {
  wxMessageBox(Utf8ToWx(OpenErrorMessage(code)), Utf8ToWx(kAppName), wxOK | wxICON_EXCLAMATION,
               wxGetTopLevelParent(this));
}

void CLinkLabel::ApplyState() {
  SetForegroundColour(CurrentColor());
  Refresh();
}

void CLinkLabel::OnMouseMove(wxMouseEvent& event) {
  if (!m_bHot) {
    m_bHot = true;
    if (m_fontUnderlined.IsOk()) SetFont(m_fontUnderlined);
    ApplyState();
    m_timer.Start(kHoverPeriodMs);
  }
  event.Skip();
}

void CLinkLabel::OnTimer(wxTimerEvent& /*event*/) {
  const wxPoint where = ScreenToClient(wxGetMousePosition());
  if (!GetClientRect().Contains(where)) {
    m_bHot = false;
    m_timer.Stop();
    if (m_pPlainFont.IsOk()) SetFont(m_pPlainFont);
    ApplyState();
  }
}

void CLinkLabel::OnLeftDown(wxMouseEvent& event) {
  m_pressed = true;
  event.Skip();
}

void CLinkLabel::OnLeftUp(wxMouseEvent& event) {
  const bool click = m_pressed && GetClientRect().Contains(event.GetPosition());
  m_pressed = false;
  event.Skip();
  if (click) OnClicked();
}

void CLinkLabel::OnEraseBackground(wxEraseEvent& event) {
  wxDC* dc = event.GetDC();
  if (!dc) return;
  dc->SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->DrawRectangle(GetClientRect());
}

}  // namespace korvalind::ui
