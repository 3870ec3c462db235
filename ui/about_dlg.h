#pragma once

#include <wx/dialog.h>

namespace korvalind::ui {

class CLinkLabel;

// The About box: icon, version line, notice, credits and two links (web site and e-mail).
// Built fresh for every showing, so a link's opened state does not outlive the box.
class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);

  CLinkLabel* MailLink() const { return m_linkMail; }
  CLinkLabel* SiteLink() const { return m_linkSite; }

 private:
  void DoDataExchange();
  void OnInitDialog();

  CLinkLabel* m_linkMail = nullptr;
  CLinkLabel* m_linkSite = nullptr;
};

// Shows the About box modally over parent; both the menu command and the form's button use it.
void ShowAboutBox(wxWindow* parent);

}  // namespace korvalind::ui
