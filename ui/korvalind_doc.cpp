#include "ui/korvalind_doc.h"

#include <wx/filename.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "ui/message_box.h"
#include "ui/resource_ids.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {

wxIMPLEMENT_DYNAMIC_CLASS(CKorvalindDoc, wxDocument);

CKorvalindDoc::CKorvalindDoc() { Bind(wxEVT_MENU, &CKorvalindDoc::OnFileSave, this, ID_FILE_SAVE); }

bool CKorvalindDoc::OnNewDocument() {
  if (!wxDocument::OnNewDocument()) return false;
  SetTitle(Utf8ToWx(kDocumentTitle));
  // Save proposes the name the caption shows, not the new-file base name.
  SetFilename(GetTitle(), false);
  TitleChanged();
  return true;
}

bool CKorvalindDoc::OnOpenDocument(const wxString& file) {
  if (!wxDocument::OnOpenDocument(file)) return false;
  SetTitle(wxFileName(file).GetFullName());
  TitleChanged();
  return true;
}

bool CKorvalindDoc::DoSaveDocument(const wxString& file) {
  std::ofstream out(file.fn_str(), std::ios::binary | std::ios::trunc);
  if (!out) {
    ShowMessage(GetDocumentWindow(), wxString::Format(Utf8ToWx(kCannotSaveFormat), file,
                                                      Utf8ToWx(std::strerror(errno))));
    return false;
  }
  return true;
}

bool CKorvalindDoc::DoOpenDocument(const wxString& file) {
  std::ifstream in(file.fn_str(), std::ios::binary);
  if (!in) {
    ShowMessage(GetDocumentWindow(), wxString::Format(Utf8ToWx(kCannotOpenFormat), file,
                                                      Utf8ToWx(std::strerror(errno))));
    return false;
  }
  return true;
}

void CKorvalindDoc::TitleChanged() {
  for (wxView* view : GetViewsVector()) view->OnChangeFilename();
}

void CKorvalindDoc::OnFileSave(wxCommandEvent& /*event*/) { Save(); }

}  // namespace korvalind::ui
