// The form's 28 controls at their template places in dialog units (measured with the frame's
// dialog font), in template order, the hidden ones hidden; scrolling in a small window; the
// notification-area minimise.

#include <gtest/gtest.h>
#include <wx/fontenum.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/taskbar.h>

#include <algorithm>

#include "gui_harness.h"
#include "ui/dialog_font.h"
#include "ui/korvalind_view.h"
#include "ui/main_frame.h"
#include "ui/resource_ids.h"

namespace korvalind::testing {
namespace {

using namespace korvalind::ui;

struct TemplateControl {
  int id;             // 0: no id
  const char* label;  // for the controls without an id
  wxRect rect;        // dialog units; height -1: the control's own height
  bool shown;
};

// The template, in template (tab) order.
const TemplateControl kTemplate[] = {
    {IDC_NUMBER, nullptr, {105, 35, 48, -1}, true},
    {IDC_CONVERT_AREACODE, nullptr, {162, 66, 50, 14}, false},
    {IDC_ORGANISE, nullptr, {160, 106, 52, 14}, false},
    {IDC_BUILD, nullptr, {162, 136, 50, 14}, false},
    {IDC_UPDATE, nullptr, {87, 148, 43, 14}, true},
    {IDC_CITY, nullptr, {67, 74, 132, 14}, true},
    {IDC_DIGITS, nullptr, {28, 63, 40, 14}, false},
    {0, "请输入手机号码（前七位）", {7, 38, 97, 8}, true},
    {0, "省份", {16, 59, 17, 8}, true},
    {IDC_PROVINCE, nullptr, {67, 56, 132, 14}, true},
    {0, "城市", {16, 77, 17, 8}, true},
    {0, "SIM 卡类型", {16, 95, 41, 8}, true},
    {IDC_SIMTYPE, nullptr, {67, 92, 132, 14}, true},
    {0, "长途区号", {16, 113, 33, 8}, true},
    {IDC_AREACODE, nullptr, {67, 110, 132, 14}, true},
    {0, "邮政编码", {16, 131, 33, 8}, true},
    {IDC_POSTCODE, nullptr, {67, 128, 132, 14}, true},
    {IDC_QUERY, nullptr, {155, 33, 50, 14}, true},
    {IDC_TAKEDATA, nullptr, {7, 148, 39, 14}, false},
    {IDC_VISITSITE, nullptr, {17, 148, 43, 14}, true},
    {IDC_MINIMIZE, nullptr, {7, 117, 50, 14}, false},
    {IDC_ABOUT, nullptr, {157, 148, 43, 14}, true},
    {IDC_COUNT, nullptr, {16, 20, 182, 11}, true},
    {IDC_TITLE, nullptr, {16, 6, 182, 11}, true},
    {IDC_COMPANION, nullptr, {7, 133, 43, 14}, false},
    {0, "Static", {63, 58, 25, 8}, false},
    {IDC_ENCRYPT, nullptr, {7, 46, 30, 14}, false},
    {IDC_DECRYPT, nullptr, {37, 46, 30, 14}, false},
};

class FormLayoutTest : public ::testing::Test {
 protected:
  FormLayoutTest() : session_({.directory = WriteWorkedDirectory(dir_)}) {}
  TempDir dir_;
  AppSession session_;
};

TEST_F(FormLayoutTest, ControlsStandAtTheirTemplatePlacesInTemplateOrder) {
  wxWindow* frame = session_.frame();
  wxPanel* form = session_.view()->Form();
  const wxWindowList& children = form->GetChildren();
  ASSERT_EQ(children.size(), std::size(kTemplate));
  wxWindow* number = session_.Control("IDC_NUMBER");
  EXPECT_GE(number->GetSize().x, frame->ConvertDialogToPixels(wxSize(48, 0)).x);
  size_t i = 0;
  for (const wxWindow* child : children) {
    const TemplateControl& t = kTemplate[i++];
    if (t.id != 0) {
      EXPECT_EQ(child->GetId(), t.id) << "control " << i;
    } else {
      EXPECT_EQ(child->GetLabel(), wxString::FromUTF8(t.label)) << "control " << i;
    }
    EXPECT_EQ(child->IsShown(), t.shown) << "control " << i;
    // Dialog units follow the frame's font, which was set before the form was loaded. The
    // number box grows to the right from its place and Query moves by as much.
    const int grow = number->GetSize().x - frame->ConvertDialogToPixels(wxSize(48, 0)).x;
    const wxPoint pos = frame->ConvertDialogToPixels(t.rect.GetPosition()) +
                        wxPoint(t.id == IDC_QUERY ? grow : 0, 0);
    const wxSize size = frame->ConvertDialogToPixels(wxSize(t.rect.width, 14));
    EXPECT_EQ(child->GetPosition(), pos) << "control " << i;
    if (t.id != IDC_NUMBER) {
      EXPECT_EQ(child->GetSize().x, size.x) << "control " << i;
    }
    if (t.rect.height > 0) {
      EXPECT_EQ(child->GetSize().y, frame->ConvertDialogToPixels(t.rect.GetSize()).y) << i;
    }
  }
  // As wide as the template or as Query with the template's right margin, whichever is more.
  const wxSize templ = frame->ConvertDialogToPixels(wxSize(219, 169));
  const int query_margin = templ.x - (frame->ConvertDialogToPixels(wxPoint(155, 0)).x +
                                      frame->ConvertDialogToPixels(wxSize(50, 0)).x);
  EXPECT_EQ(form->GetSize(),
            wxSize(std::max(templ.x,
                            session_.Control("IDC_QUERY")->GetRect().GetRight() + 1 + query_margin),
                   templ.y));
}

TEST_F(FormLayoutTest, FormFontIsTheDialogFont) {
  const wxFont font = session_.frame()->GetFont();
  const std::string face = ChooseDialogFace([](const std::string& name) {
    return wxFontEnumerator::IsValidFacename(wxString::FromUTF8(name));
  });
  ASSERT_FALSE(face.empty()) << "no CJK font installed (fonts-wqy-zenhei)";
  EXPECT_EQ(font.GetFaceName(), wxString::FromUTF8(face));
  EXPECT_EQ(font.GetPointSize(), 12);
  EXPECT_EQ(session_.Control("IDC_QUERY")->GetFont().GetFaceName(), font.GetFaceName());
}

TEST_F(FormLayoutTest, WindowFitsTheFormAndASmallerOneScrolls) {
  wxWindow* frame = session_.frame();
  wxPanel* form = session_.view()->Form();
  auto* scroller = dynamic_cast<wxScrolledWindow*>(form->GetParent());
  ASSERT_NE(scroller, nullptr);
  // At start-up the window was sized to the form, and cannot be made smaller than it.
  EXPECT_EQ(frame->GetClientSize(), form->GetSize());
  EXPECT_EQ(frame->GetMinClientSize(), form->GetSize());
  const wxPoint query_at = session_.Control("IDC_QUERY")->GetPosition();

  // A screen smaller than the form: the form scrolls.
  frame->SetMinClientSize(wxDefaultSize);
  frame->SetClientSize(form->GetSize() / 2);
  Pump(100);
  EXPECT_TRUE(scroller->HasScrollbar(wxVERTICAL) && scroller->HasScrollbar(wxHORIZONTAL));
  scroller->Scroll(1000, 1000);
  Pump(50);
  EXPECT_LT(form->GetPosition().y, 0);  // scrolled down: the form moved up
  EXPECT_EQ(session_.Control("IDC_QUERY")->GetPosition(), query_at);

  frame->SetClientSize(form->GetSize() * 2);
  Pump(100);
  // The scroll bars are gone: the whole form shows from its top left corner.
  EXPECT_FALSE(scroller->HasScrollbar(wxVERTICAL) || scroller->HasScrollbar(wxHORIZONTAL));
  EXPECT_EQ(form->GetPosition(), wxPoint(0, 0));
  EXPECT_EQ(session_.Control("IDC_QUERY")->GetPosition(), query_at);
}

TEST_F(FormLayoutTest, MinimiseUsesTheNotificationAreaWhenThereIsOne) {
  CKorvalindView* view = session_.view();
  wxWindow* scroller = view->Form()->GetParent();
  if (!wxTaskBarIcon::IsAvailable()) {
    // Without a notification area the form could not come back: it stays.
    view->OnMinimize();
    EXPECT_TRUE(scroller->IsShown());
    EXPECT_FALSE(view->HasTrayIcon());
    // The icon's messages still restore a hidden form only on a double-click or right button.
    scroller->Hide();
    view->OnTrayNotify(WM_LBUTTONDOWN);
    EXPECT_FALSE(scroller->IsShown());
    view->OnTrayNotify(WM_RBUTTONDOWN);
    EXPECT_TRUE(scroller->IsShown());
    scroller->Hide();
    view->OnTrayNotify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(scroller->IsShown());
    return;
  }
  view->OnMinimize();
  view->OnMinimize();  // still one icon
  EXPECT_FALSE(scroller->IsShown());
  EXPECT_TRUE(view->HasTrayIcon());
  EXPECT_TRUE(session_.frame()->IsShown());  // the main window stays as it is
  view->OnTrayNotify(WM_LBUTTONDOWN);
  EXPECT_FALSE(scroller->IsShown());
  view->OnTrayNotify(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(scroller->IsShown());
  EXPECT_FALSE(view->HasTrayIcon());
  view->OnMinimize();
  view->OnTrayNotify(WM_RBUTTONDOWN);
  EXPECT_TRUE(scroller->IsShown());
  EXPECT_FALSE(view->HasTrayIcon());
}

}  // namespace
}  // namespace korvalind::testing
