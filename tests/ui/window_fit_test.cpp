// What a user meets at any text size and in any language: a number box that shows a whole
// number, static texts that show all their words, a window that starts showing the whole form,
// maintainer buttons that cover nothing, Enter from the drop-down button, theme link colours and
// the toolkit speaking the user's language. Measured inside GTK's own widgets.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/combobox.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/stattext.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <string>

#include "gui_harness.h"
#include "ui/about_dlg.h"
#include "ui/form_fit.h"
#include "ui/korvalind_view.h"
#include "ui/link_label.h"
#include "ui/main_frame.h"
#include "ui/resource_ids.h"
#include "ui/theme_colours.h"

namespace korvalind::testing {
namespace {

using namespace korvalind::ui;

GtkWidget* ComboEntry(wxComboBox* box) { return gtk_bin_get_child(GTK_BIN(box->GetHandle())); }

// The number box's drop-down button (the combo's only toggle button).
GtkWidget* DropDownButton(wxComboBox* box) {
  GtkWidget* found = nullptr;
  std::function<void(GtkWidget*)> visit = [&](GtkWidget* widget) {
    if (GTK_IS_TOGGLE_BUTTON(widget)) found = widget;
    if (GTK_IS_CONTAINER(widget)) {
      gtk_container_forall(
          GTK_CONTAINER(widget),
          [](GtkWidget* child, gpointer data) {
            (*static_cast<std::function<void(GtkWidget*)>*>(data))(child);
          },
          &visit);
    }
  };
  visit(box->GetHandle());
  return found;
}

// The widest line of a static text in its own font.
int RequiredWidth(wxStaticText* text) {
  int widest = 0;
  for (const wxString& line : wxSplit(text->GetLabelText(), '\n', '\0')) {
    widest = std::max(widest, text->GetTextExtent(line).x);
  }
  return widest;
}

void ExpectStaticTextsFit(wxWindow* parent, const char* where) {
  int checked = 0;
  for (wxWindow* child : parent->GetChildren()) {
    auto* text = dynamic_cast<wxStaticText*>(child);
    if (!text || !text->IsShown()) continue;
    ++checked;
    EXPECT_LE(RequiredWidth(text), text->GetClientSize().x)
        << where << ": \"" << text->GetLabelText().utf8_string() << "\" is cut";
    EXPECT_LE(text->GetRect().GetRight(), parent->GetClientSize().x)
        << where << ": \"" << text->GetLabelText().utf8_string() << "\" leaves its window";
  }
  EXPECT_GT(checked, 0) << where;
}

class WindowFitTest : public ::testing::Test {
 protected:
  WindowFitTest() : session_({.directory = WriteWorkedDirectory(dir_)}) {}
  TempDir dir_;
  AppSession session_;
  DialogCatcher dialogs_;
};

TEST_F(WindowFitTest, NumberBoxShowsAWholeElevenDigitNumber) {
  wxComboBox* box = session_.NumberBox();
  for (const char* text : {"1390123", kWidestNumber}) {
    box->ChangeValue(wxString::FromUTF8(text));
    Pump(50);
    GtkEntry* entry = GTK_ENTRY(ComboEntry(box));
    GdkRectangle area{};
    gtk_entry_get_text_area(entry, &area);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(gtk_entry_get_layout(entry), nullptr, &logical);
    EXPECT_LE(logical.width, area.width) << text << " does not show whole";
    EXPECT_GT(logical.width, 0);
  }
  // Query still stands to the right of the box, with the template's gap.
  const wxRect number = box->GetRect();
  const wxRect query = session_.Control("IDC_QUERY")->GetRect();
  EXPECT_GT(query.x, number.GetRight());
  EXPECT_EQ(query.y, session_.frame()->ConvertDialogToPixels(wxPoint(0, 33)).y);
}

TEST_F(WindowFitTest, EveryStaticTextFitsInTheFormAndTheAboutBox) {
  ExpectStaticTextsFit(session_.view()->Form(), "form");
  dialogs_.onDialog = [](wxDialog* dialog) {
    ExpectStaticTextsFit(dialog, "About");
    dialog->EndModal(wxID_OK);
  };
  session_.MenuCommand(ID_APP_ABOUT);
  EXPECT_EQ(dialogs_.otherDialogs.size(), 1u);
}

TEST_F(WindowFitTest, WindowShowsTheWholeFormAtStartAndAfterNew) {
  wxFrame* frame = session_.frame();
  wxPanel* form = session_.view()->Form();
  EXPECT_EQ(frame->GetClientSize(), form->GetSize());
  EXPECT_EQ(frame->GetMinClientSize(), form->GetSize());
  // The user makes it larger; New fits it to the form again.
  frame->SetClientSize(form->GetSize() + wxSize(100, 80));
  Pump(50);
  session_.MenuCommand(ID_FILE_NEW);
  Pump(50);
  EXPECT_EQ(frame->GetClientSize(), form->GetSize());
  const wxRect about = session_.Control("IDC_ABOUT")->GetRect();
  EXPECT_LE(about.GetBottom(), frame->GetClientSize().y) << "the bottom buttons are out of view";
}

TEST_F(WindowFitTest, EnterOnTheDropDownButtonAfterAPickRunsQuery) {
  session_.TypeIntoNumberBox("1390123");
  session_.PressEnter();
  ASSERT_EQ(session_.History().size(), 1u);
  wxComboBox* box = session_.NumberBox();
  box->ChangeValue(wxS("13"));
  // A pick from the list with the mouse leaves the focus on the drop-down button.
  box->SetSelection(0);
  GtkWidget* button = DropDownButton(box);
  ASSERT_NE(button, nullptr);
  gtk_widget_grab_focus(button);
  Pump(50);
  ASSERT_TRUE(gtk_widget_has_focus(button));
  session_.PressEnter();
  Pump(100);
  EXPECT_EQ(session_.History().size(), 2u) << "Enter did not run Query";
  EXPECT_EQ(session_.Text("IDC_CITY"), wxString::FromUTF8("石家庄"));
}

TEST_F(WindowFitTest, LinksReadOnTheThemeBackground) {
  const wxColour background = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  const LinkColours theme = ThemeLinkColours();
  EXPECT_GE(ContrastRatio(theme.link, background), 3.0);
  EXPECT_GE(ContrastRatio(theme.visited, background), 3.0);
  dialogs_.onDialog = [&](wxDialog* dialog) {
    auto* about = dynamic_cast<CAboutDlg*>(dialog);
    if (about) {
      for (CLinkLabel* link : {about->SiteLink(), about->MailLink()}) {
        EXPECT_EQ(link->CurrentColor(), theme.link);
        EXPECT_GE(ContrastRatio(link->CurrentColor(), background), 3.0);
      }
    }
    dialog->EndModal(wxID_OK);
  };
  session_.MenuCommand(ID_APP_ABOUT);
}

TEST_F(WindowFitTest, WindowOffersItsIconAtEverySize) {
  const wxIconBundle icons = session_.frame()->GetIcons();
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const wxIcon icon = icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
    EXPECT_TRUE(icon.IsOk() && icon.GetWidth() == size) << size;
  }
}

TEST(ContrastRatioTest, KnownPairs) {
  struct Case {
    wxColour a;
    wxColour b;
    double ratio;
  };
  const Case cases[] = {
      {*wxBLACK, *wxWHITE, 21.0},
      {*wxWHITE, *wxWHITE, 1.0},
      {wxColour(0, 0, 238), wxColour(0x33, 0x33, 0x33), 1.34},  // the old blue on a dark theme
  };
  for (const Case& c : cases) EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01);
}

// Run under zh_CN.UTF-8 (ctest group Chinese): the toolkit's own texts are Chinese.
TEST_F(WindowFitTest, ChineseLocaleGivesChineseToolkitTexts) {
  // The environment asks for Chinese; the program must have taken it up.
  const char* wanted = std::getenv("LC_ALL");
  if (!wanted || !*wanted) wanted = std::getenv("LANG");
  if (!wanted || std::string(wanted).rfind("zh_CN", 0) != 0) {
    GTEST_SKIP() << "needs LANG=zh_CN.UTF-8";
  }
  EXPECT_EQ(std::string(std::setlocale(LC_MESSAGES, nullptr)).rfind("zh_CN", 0), 0u);
  // Numbers keep the C form.
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  EXPECT_EQ(wxGetTranslation(wxS("Cu&t")), wxString::FromUTF8("剪切(&t)"));
  // A real message box, shown: GTK's button and its label.
  wxString label;
  struct Hook : wxModalDialogHook {
    wxString* label;
    int Enter(wxDialog* dialog) override {
      dialog->CallAfter([this, dialog] {
        GtkWidget* ok =
            gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog->GetHandle()), GTK_RESPONSE_OK);
        if (ok) *label = wxString::FromUTF8(gtk_button_get_label(GTK_BUTTON(ok)));
        gtk_dialog_response(GTK_DIALOG(dialog->GetHandle()), GTK_RESPONSE_OK);
      });
      return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
  } hook;
  hook.label = &label;
  dialogs_.Unregister();
  hook.Register();
  wxMessageDialog box(session_.frame(), wxS("test"), wxS("Korvalind"), wxOK);
  box.ShowModal();
  hook.Unregister();
  dialogs_.Register();
  EXPECT_TRUE(label.StartsWith(wxString::FromUTF8("确定"))) << label.utf8_string();
}

}  // namespace
}  // namespace korvalind::testing
