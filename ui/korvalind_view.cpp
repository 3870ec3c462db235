#include "ui/korvalind_view.h"

#include <wx/combobox.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/xrc/xmlres.h>

#include "directory/loader.h"
#include "directory/query.h"
#include "platform/paths.h"
#include "ui/doc_manager.h"
#include "ui/form_fit.h"
#include "ui/main_frame.h"
#include "ui/message_box.h"
#include "ui/resource_ids.h"
#include "ui/static_edge.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {
namespace {

constexpr size_t kDigitsLimit = 7;
constexpr char kInitialNumber[] = "13";

void ExchangeText(bool save, wxWindow* control, std::string& member) {
  if (auto* edit = dynamic_cast<wxTextCtrl*>(control)) {
    if (save) {
      member = WxToGbk(edit->GetValue());
    } else {
      edit->ChangeValue(GbkToWx(member));  // no change notification, as during any exchange
    }
  } else if (auto* label = dynamic_cast<wxStaticText*>(control)) {
    if (save) {
      member = WxToGbk(label->GetLabelText());
    } else {
      label->SetLabelText(GbkToWx(member));
    }
  }
}

// Reading takes the edit text; writing selects the first list entry that begins with the text
// (letter case ignored) or, without one, puts the text into the edit.
void ExchangeComboString(bool save, wxComboBox* box, std::string& member) {
  if (save) {
    member = WxToGbk(box->GetValue());
    return;
  }
  const wxString text = GbkToWx(member);
  const wxString prefix = text.Lower();
  for (unsigned i = 0; i < box->GetCount(); ++i) {
    if (box->GetString(i).Lower().StartsWith(prefix)) {
      box->SetSelection(static_cast<int>(i));
      return;
    }
  }
  box->ChangeValue(text);
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CKorvalindView, wxView);

CKorvalindView::CKorvalindView()
    : m_strNumber(kInitialNumber), m_dataFolder(DataFolder().value_or("")) {}

CKorvalindView::~CKorvalindView() {
  // The icon would outlive the window it restores; it goes with the form.
  RemoveTrayIcon();
}

bool CKorvalindView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  SetFrame(new CMainFrame(doc->GetDocumentManager()));
  CreateForm();
  BindCommands();
  Activate(true);
  return true;
}

void CKorvalindView::CreateForm() {
  // Created at the frame's full size: a scrolled window smaller than its scroll bars upsets GTK.
  m_scroller = new wxScrolledWindow(GetFrame(), wxID_ANY, wxDefaultPosition,
                                    GetFrame()->GetClientSize(), wxHSCROLL | wxVSCROLL);
  m_form = wxXmlResource::Get()->LoadPanel(m_scroller, wxS("IDD_QUERY_FORM"));
  m_form->Move(0, 0);
  // GTK's drop-down button takes a third of the number box's template width: the box grows to
  // the right until a whole number shows, and Query moves with it.
  FitNumberBox(m_form);
  FitStaticTexts(m_form);
  AddStaticEdges(m_form, {IDC_COUNT, IDC_TITLE});
  // The controls keep their places whatever the window's size; a smaller window scrolls.
  m_scroller->SetVirtualSize(m_form->GetSize());
  const wxSize unit = m_form->ConvertDialogToPixels(wxSize(4, 4));
  m_scroller->SetScrollRate(unit.x, unit.y);
  // When a larger window makes the scroll bars go, GTK resets the scroll position but leaves the
  // form where the last scrolling put it: put it back where the position says.
  m_scroller->Bind(wxEVT_SIZE, [scroller = m_scroller, form = m_form](wxSizeEvent& event) {
    event.Skip();
    scroller->CallAfter([scroller, form] {
      const wxPoint at = scroller->CalcScrolledPosition(wxPoint(0, 0));
      if (form->GetPosition() != at) form->Move(at);
    });
  });
}

wxWindow* CKorvalindView::Control(int id) const { return m_form->FindWindow(id); }

void CKorvalindView::Message(const wxString& text) const { ShowMessage(GetFrame(), text); }

void CKorvalindView::OnUpdate(wxView* /*sender*/, wxObject* hint) {
  if (dynamic_cast<InitialUpdateHint*>(hint)) OnInitialUpdate();
}

void CKorvalindView::OnDraw(wxDC* /*dc*/) {}  // the form prints as a blank page

bool CKorvalindView::OnClose(bool deleteWindow) {
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  // The frame goes with the one view: when the window is closed it is on its way already; when
  // the document could not be opened at start-up it would otherwise linger, hidden.
  if (deleteWindow && GetFrame()) {
    GetFrame()->Destroy();
    SetFrame(nullptr);
  }
  return true;
}

void CKorvalindView::OnChangeFilename() {
  if (wxWindow* frame = GetFrame()) {
    frame->SetLabel(GetDocumentManager()->MakeFrameTitle(GetDocument()));
  }
}

bool CKorvalindView::UpdateData(bool saveAndValidate) { return DoDataExchange(saveAndValidate); }

bool CKorvalindView::DoDataExchange(bool save) {
  if (!m_cbNumber) m_cbNumber = dynamic_cast<wxComboBox*>(Control(IDC_NUMBER));
  ExchangeText(save, Control(IDC_CITY), m_strCity);
  auto* digits = dynamic_cast<wxTextCtrl*>(Control(IDC_DIGITS));
  ExchangeText(save, digits, m_strDigits);
  if (save && m_strDigits.size() > kDigitsLimit) {
    Message(wxString::Format(Utf8ToWx(kMaxCharsFormat), static_cast<int>(kDigitsLimit)));
    digits->SetFocus();
    return false;
  }
  if (!save) digits->SetMaxLength(kDigitsLimit);
  ExchangeText(save, Control(IDC_POSTCODE), m_strPostCode);
  ExchangeText(save, Control(IDC_PROVINCE), m_strProvince);
  ExchangeText(save, Control(IDC_SIMTYPE), m_strSimType);
  ExchangeText(save, Control(IDC_AREACODE), m_strAreaCode);
  ExchangeComboString(save, m_cbNumber, m_strNumber);
  ExchangeText(save, Control(IDC_COUNT), m_strCount);
  return true;
}

void CKorvalindView::OnInitialUpdate() {
  UpdateData(false);
  FitFrame();

  const Status status = LoadDirectory(DefaultDirectoryPath(), &m_image);
  // A directory that cannot be read is reported; the form goes on with the empty one, so every
  // query is answered "not found".
  if (!status.ok()) Message(StatusToWx(status));
  m_strCount = CountLine(m_image);
  UpdateData(false);
  m_editDigits.SubclassWindow(dynamic_cast<wxTextCtrl*>(Control(IDC_DIGITS)));
  m_cbNumber->SetFocus();
}

void CKorvalindView::FitFrame() {
  auto* frame = dynamic_cast<wxTopLevelWindow*>(GetFrame());
  if (!frame) return;
  m_scroller->SetVirtualSize(m_form->GetSize());
  // Whatever the text size, the whole form shows at start and after New; it is also the
  // smallest size the window can be given (a smaller screen scrolls instead).
  FitFrameToForm(frame, m_form->GetSize());
  frame->Layout();
}

void CKorvalindView::OnQuery() {
  if (!UpdateData(true)) return;
  if (!IsAcceptedSegmentText(m_image, m_strNumber)) {
    ShowGbkMessage(GetFrame(), kInvalidSegmentMessage);
    return;
  }
  // Every accepted text goes to the top of the history before the look-up, found or not.
  m_cbNumber->Insert(GbkToWx(m_strNumber), 0);
  const QueryAnswer answer = QueryNumber(m_image, m_strNumber);
  if (answer.outcome != QueryAnswer::Outcome::kOk) {
    m_strCity.clear();
    m_strProvince.clear();
    m_strSimType.clear();
    m_strAreaCode.clear();
    m_strPostCode.clear();
    UpdateData(false);
    ShowGbkMessage(GetFrame(), kNotFoundMessage);
    return;
  }
  m_strCity = answer.city;
  m_strProvince = answer.province;
  m_strSimType = answer.simType;
  m_strPostCode = answer.postCode;
  m_strAreaCode = answer.areaCode;
  UpdateData(false);
}

void CKorvalindView::OnChangeDigits() { UpdateData(true); }

}  // namespace korvalind::ui
