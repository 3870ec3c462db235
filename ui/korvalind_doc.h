#pragma once

#include <wx/docview.h>

namespace korvalind::ui {

// The document: it holds nothing. Saving writes an empty file, opening reads nothing; the title
// is "Korvalind" after New and the file's name after Open or Save.
class CKorvalindDoc : public wxDocument {
 public:
  CKorvalindDoc();

  bool OnNewDocument() override;
  bool OnOpenDocument(const wxString& file) override;

 protected:
  bool DoSaveDocument(const wxString& file) override;
  bool DoOpenDocument(const wxString& file) override;

 private:
  // The caption shows the title: tell the views that it changed.
  void TitleChanged();
  void OnFileSave(wxCommandEvent& event);

  wxDECLARE_DYNAMIC_CLASS(CKorvalindDoc);
};

}  // namespace korvalind::ui
