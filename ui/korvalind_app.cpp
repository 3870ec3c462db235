#include "ui/korvalind_app.h"

#include <wx/config.h>

#include "ui/about_dlg.h"
#include "ui/app_resources.h"
#include "ui/build_config.h"
#include "ui/doc_manager.h"
#include "ui/korvalind_doc.h"
#include "ui/korvalind_view.h"
#include "ui/main_frame.h"
#include "ui/open_url.h"
#include "ui/resource_ids.h"
#include "ui/settings_file.h"
#include "ui/strings.h"
#include "ui/text_edge.h"
#include "ui/user_locale.h"

namespace korvalind::ui {

CKorvalindApp::CKorvalindApp() {
  Bind(wxEVT_MENU, &CKorvalindApp::OnAppAbout, this, ID_APP_ABOUT);
  Bind(wxEVT_MENU, &CKorvalindApp::OnFileNew, this, ID_FILE_NEW);
  Bind(wxEVT_MENU, &CKorvalindApp::OnFileOpen, this, ID_FILE_OPEN);
  Bind(wxEVT_MENU, &CKorvalindApp::OnFilePrintSetup, this, ID_FILE_PRINT_SETUP);
  Bind(wxEVT_MENU, &CKorvalindApp::OnAppExit, this, ID_APP_EXIT);
}

void CKorvalindApp::OnInitCmdLine(wxCmdLineParser& parser) {
  wxApp::OnInitCmdLine(parser);
  parser.AddSwitch(wxString(), wxS("maintainer"),
                   wxS("show the maintainer buttons (data conversion, build, encipher) in a row "
                       "below the form"));
  parser.AddParam(wxS("file"), wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

bool CKorvalindApp::OnCmdLineParsed(wxCmdLineParser& parser) {
  if (!wxApp::OnCmdLineParsed(parser)) return false;
  m_maintainer = parser.Found(wxS("maintainer"));
  if (parser.GetParamCount() > 0) m_fileToOpen = parser.GetParam(0);
  return true;
}

bool CKorvalindApp::OnInit() {
  UseUserLocale();  // before the command line, whose usage text is the toolkit's
  if (!wxApp::OnInit()) return false;
  return InitInstance();
}

bool CKorvalindApp::InitInstance() {
  // No socket layer needs starting on this platform, and no control container or 3-D controls.
  UseUserLocale();
  InitResources();
  SetAppName(Utf8ToWx(kAppName));
  SetVendorName(Utf8ToWx(kSettingsKey));
  UseSettingsFile();

  m_docManager = new CKorvalindDocManager;
  m_docManager->FileHistoryLoad(*wxConfigBase::Get());
  new wxDocTemplate(m_docManager, Utf8ToWx(kFileTypeName), wxS("*.*"), wxString(), wxString(),
                    Utf8ToWx(kFileTypeId), wxS("Korvalind.View"), CLASSINFO(CKorvalindDoc),
                    CLASSINFO(CKorvalindView));

  wxDocument* doc = m_fileToOpen.empty() ? m_docManager->CreateNewDocument()
                                         : m_docManager->CreateDocument(m_fileToOpen, wxDOC_SILENT);
  if (!doc) return false;
  if (m_maintainer) View()->ShowMaintainerButtons();
  CMainFrame* frame = MainFrame();
  frame->RestorePosition(*wxConfigBase::Get());
  SetTopWindow(frame);
  frame->Show();
  frame->Update();
  return true;
}

void CKorvalindApp::ExitInstance() {
  if (!m_docManager) return;
  m_docManager->FileHistorySave(*wxConfigBase::Get());
  wxConfigBase::Get()->Flush();
  delete m_docManager;
  m_docManager = nullptr;
}

int CKorvalindApp::OnExit() {
  DropLaterOpenResults();
  ExitInstance();
  return wxApp::OnExit();
}

wxDocManager* CKorvalindApp::DocManager() const { return m_docManager; }

CKorvalindView* CKorvalindApp::View() const {
  if (!m_docManager) return nullptr;
  for (wxDocument* doc : m_docManager->GetDocumentsVector()) {
    for (wxView* view : doc->GetViewsVector()) {
      if (auto* form = dynamic_cast<CKorvalindView*>(view)) return form;
    }
  }
  return nullptr;
}

CMainFrame* CKorvalindApp::MainFrame() const {
  CKorvalindView* view = View();
  return view ? dynamic_cast<CMainFrame*>(view->GetFrame()) : nullptr;
}

void CKorvalindApp::OnAppAbout(wxCommandEvent& /*event*/) { ShowAboutBox(MainFrame()); }

void CKorvalindApp::OnFileNew(wxCommandEvent& /*event*/) { m_docManager->CreateNewDocument(); }

void CKorvalindApp::OnFileOpen(wxCommandEvent& /*event*/) {
  m_docManager->CreateDocument(wxString(), 0);
}

void CKorvalindApp::OnFilePrintSetup(wxCommandEvent& event) { m_docManager->OnPageSetup(event); }

void CKorvalindApp::OnAppExit(wxCommandEvent& /*event*/) {
  if (wxWindow* frame = MainFrame()) frame->Close();
}

}  // namespace korvalind::ui
