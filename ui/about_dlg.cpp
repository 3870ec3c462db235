#include "ui/about_dlg.h"

#include <wx/xrc/xmlres.h>

#include "ui/app_resources.h"
#include "ui/build_config.h"
#include "ui/dialog_font.h"
#include "ui/form_fit.h"
#include "ui/link_label.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {
namespace {

constexpr int kAboutFontPoints = 9;

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent) {
  // Dialog units are measured with the dialog's own font, so it is set before loading.
  SetFont(DialogFont(kAboutFontPoints));
  wxXmlResource::Get()->LoadDialog(this, parent, wxS("IDD_ABOUT"));
  // The notice line is wider than its template place at every text size.
  FitStaticTexts(this);
  DoDataExchange();
  OnInitDialog();
}

void CAboutDlg::DoDataExchange() {
  m_linkMail = XRCCTRL(*this, "IDC_MAIL_LINK", CLinkLabel);
  m_linkMail->PreSubclassWindow();
  m_linkSite = XRCCTRL(*this, "IDC_SITE_LINK", CLinkLabel);
  m_linkSite->PreSubclassWindow();
}

void CAboutDlg::OnInitDialog() {
  const wxString site = Utf8ToWx(kSiteUrl);
  const wxString mail = Utf8ToWx(kMailAddress);
  m_linkSite->SetLabel(site);
  m_linkMail->SetLabel(Utf8ToWx(kMailPrefix) + mail);
  const wxCursor hand = LoadHandCursor();
  struct Link {
    CLinkLabel* label;
    wxString target;
  };
  for (const Link& link :
       {Link{m_linkMail, Utf8ToWx(kMailScheme) + mail}, Link{m_linkSite, site}}) {
    link.label->SetTarget(link.target);
    const wxColour normal = link.label->GetNormalColor();
    link.label->SetLinkColors(normal, normal, wxNullColour);
    link.label->SetHandCursor(hand);
  }
  SetCursor(wxCursor(wxCURSOR_ARROW));
}

void ShowAboutBox(wxWindow* parent) {
  CAboutDlg dialog(parent);
  dialog.CentreOnParent();
  dialog.ShowModal();
}

}  // namespace korvalind::ui
