#include "ui/doc_manager.h"

#include <wx/filehistory.h>

#include "ui/build_config.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {

// Initialised here, not by the base constructor, so that our file history is the one made.
CKorvalindDocManager::CKorvalindDocManager() : wxDocManager(0, false) { Initialize(); }

wxDocument* CKorvalindDocManager::TheDocument() const {
  wxDocVector docs = GetDocumentsVector();
  return docs.empty() ? nullptr : docs.front();
}

void CKorvalindDocManager::SendInitialUpdate(wxDocument* doc) {
  InitialUpdateHint hint;
  doc->UpdateAllViews(nullptr, &hint);
}

wxDocument* CKorvalindDocManager::CreateDocument(const wxString& path, long flags) {
  wxDocument* doc = TheDocument();
  if (!doc) {
    doc = wxDocManager::CreateDocument(path, flags);
    if (doc) SendInitialUpdate(doc);
    return doc;
  }
  if (!doc->OnSaveModified()) return nullptr;
  if (flags & wxDOC_NEW) {
    if (!doc->OnNewDocument()) return nullptr;
  } else {
    wxString file = path;
    if (file.empty()) {
      wxDocTemplateVector templates = GetTemplatesVector();
      if (templates.empty() ||
          !SelectDocumentPath(&templates[0], static_cast<int>(templates.size()), file, flags)) {
        return nullptr;  // the user cancelled the file dialog
      }
    }
    if (!doc->OnOpenDocument(file)) return nullptr;
    AddFileToHistory(file);
  }
  SendInitialUpdate(doc);
  return doc;
}

wxString CKorvalindDocManager::MakeFrameTitle(wxDocument* doc) {
  const wxString field = Utf8ToWx(kWindowTitle);
  if (!doc) return field;
  return doc->GetUserReadableName() + wxS(" - ") + field;
}

wxString CKorvalindDocManager::MakeNewDocumentName() { return Utf8ToWx(kNewFileBaseName); }

wxFileHistory* CKorvalindDocManager::OnCreateFileHistory() {
  return new wxFileHistory(kRecentFileCount);
}

}  // namespace korvalind::ui
