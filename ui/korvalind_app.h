#pragma once

#include <wx/app.h>
#include <wx/cmdline.h>

class wxDocManager;

namespace korvalind::ui {

class CKorvalindDocManager;
class CKorvalindView;
class CMainFrame;

// The application: start-up, the single-document template, and the commands handled at
// application level (About, New, Open, print set-up, Exit).
class CKorvalindApp : public wxApp {
 public:
  CKorvalindApp();

  bool OnInit() override;
  int OnExit() override;
  void OnInitCmdLine(wxCmdLineParser& parser) override;
  bool OnCmdLineParsed(wxCmdLineParser& parser) override;

  // The start-up sequence after the command line: settings, template, the first document (new,
  // or the file named on the command line), then the main window shown. False ends the program.
  bool InitInstance();
  // The recent-file list saved and the document manager released; the frame must be closed.
  void ExitInstance();

  void SetMaintainer(bool maintainer) { m_maintainer = maintainer; }
  bool IsMaintainer() const { return m_maintainer; }
  void SetFileToOpen(const wxString& file) { m_fileToOpen = file; }
  const wxString& FileToOpen() const { return m_fileToOpen; }
  wxDocManager* DocManager() const;
  CMainFrame* MainFrame() const;
  CKorvalindView* View() const;

 private:
  void OnAppAbout(wxCommandEvent& event);
  void OnFileNew(wxCommandEvent& event);
  void OnFileOpen(wxCommandEvent& event);
  void OnFilePrintSetup(wxCommandEvent& event);
  void OnAppExit(wxCommandEvent& event);

  CKorvalindDocManager* m_docManager = nullptr;
  bool m_maintainer = false;
  wxString m_fileToOpen;
};

}  // namespace korvalind::ui

wxDECLARE_APP(korvalind::ui::CKorvalindApp);
