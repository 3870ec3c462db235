#pragma once

#include <wx/docview.h>

namespace korvalind::ui {

// The hint that asks the view for its initial update.
class InitialUpdateHint : public wxObject {};

// One document, one frame and one form for the whole run. The first CreateDocument makes them;
// every later New or Open re-initialises that same document in place and sends the view the
// initial-update hint again, so nothing is destroyed and recreated (wxDocManager would close
// the document, and with it the frame, and build new ones).
class CKorvalindDocManager : public wxDocManager {
 public:
  CKorvalindDocManager();

  wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
  // The document title, " - " and the window-title field.
  wxString MakeFrameTitle(wxDocument* doc) override;
  // Untitled documents are named after the new-file base name.
  wxString MakeNewDocumentName() override;
  // The recent-file list keeps four files.
  wxFileHistory* OnCreateFileHistory() override;

 private:
  wxDocument* TheDocument() const;
  static void SendInitialUpdate(wxDocument* doc);
};

}  // namespace korvalind::ui
