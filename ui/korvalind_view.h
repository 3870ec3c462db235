#pragma once

#include <wx/docview.h>
#include <wx/icon.h>

#include <memory>
#include <string>

#include "directory/directory_image.h"
#include "platform/status.h"
#include "ui/digit_edit.h"

class wxComboBox;
class wxPanel;
class wxScrolledWindow;

namespace korvalind::ui {

class CTrayIcon;

// The query form, the program's only view: the form panel from IDD_QUERY_FORM inside a scrolled
// window that fills the frame. It owns the directory, answers the queries and handles the form's
// buttons and the menu commands routed to it. The m_str members hold code page 936 bytes; they
// move to and from the controls only through UpdateData.
class CKorvalindView : public wxView {
 public:
  CKorvalindView();
  ~CKorvalindView() override;

  bool OnCreate(wxDocument* doc, long flags) override;
  void OnUpdate(wxView* sender, wxObject* hint) override;
  void OnDraw(wxDC* dc) override;
  bool OnClose(bool deleteWindow) override;
  // The caption: the document title, " - " and the window-title field.
  void OnChangeFilename() override;

  // The data exchange: true moves the controls into the members, false the members into the
  // controls. Returns false when a control's text breaks its limit.
  bool UpdateData(bool saveAndValidate);

  wxPanel* Form() const { return m_form; }
  const DirectoryImage& Directory() const { return m_image; }
  // The folder the maintainer buttons work in (DataFolder() unless changed).
  void SetDataFolder(const std::string& folder) { m_dataFolder = folder; }
  bool HasTrayIcon() const { return m_trayIcon != nullptr; }
  // The maintainer buttons are hidden in the form; --maintainer shows them.
  void ShowMaintainerButtons();

  void OnInitialUpdate();
  void OnQuery();
  void OnEditCopy();
  // Puts the five results on the clipboard as one line, separated by spaces.
  void CopyResults();
  void OnEditPaste();
  void OnMinimize();
  void OnTrayNotify(int mouseMessage);

 private:
  bool DoDataExchange(bool saveAndValidate);
  void CreateForm();
  // The frame sized to show the whole form, and that size made its minimum.
  void FitFrame();
  void BindCommands();
  wxWindow* Control(int id) const;
  void Message(const wxString& text) const;
  // A failed tool shows its status; a successful one shows success when it is given.
  void ReportTool(const Status& status, const char* success);

  void OnChangeDigits();
  void OnFormKey(wxKeyEvent& event);
  void OnDoNothing();
  void OnVisitSite();
  void OnOnlineUpdate();
  void OnCompanionSite();
  void OnAbout();
  void OnFilePrint(int id);
  void ConvertAreaCodes();
  void ConvertSegments();
  void BuildDirectory();
  void OnEncrypt();
  void OnDecrypt();
  bool AddTrayIcon();
  bool RemoveTrayIcon();

  wxComboBox* m_cbNumber = nullptr;
  std::string m_strCity;
  std::string m_strDigits;
  std::string m_strPostCode;
  std::string m_strProvince;
  std::string m_strSimType;
  std::string m_strAreaCode;
  std::string m_strNumber;
  std::string m_strCount;
  wxIcon m_hTrayIcon;
  CDigitEdit m_editDigits;

  DirectoryImage m_image;
  std::string m_dataFolder;
  wxScrolledWindow* m_scroller = nullptr;
  wxPanel* m_form = nullptr;
  CTrayIcon* m_trayIcon = nullptr;

  wxDECLARE_DYNAMIC_CLASS(CKorvalindView);
};

}  // namespace korvalind::ui
