// The About box from both entry points, and its two links: text, target, tooltip, colours,
// hover, hand cursor, and a click that opens or fails, through a stand-in opener.

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/tooltip.h>

#include "gui_harness.h"
#include "opener_stub.h"
#include "ui/about_dlg.h"
#include "ui/app_resources.h"
#include "ui/build_config.h"
#include "ui/link_label.h"
#include "ui/main_frame.h"
#include "ui/resource_ids.h"
#include "ui/theme_colours.h"

namespace korvalind::testing {
namespace {

using namespace korvalind::ui;

wxString U(const std::string& utf8) { return wxString::FromUTF8(utf8); }

// The theme's link colour (the classic blue would be unreadable on a dark theme).
wxColour LinkColour() { return ThemeLinkColours().link; }

class AboutLinkTest : public ::testing::Test {
 protected:
  AboutLinkTest() : session_({.directory = WriteWorkedDirectory(dir_)}) {}

  // Opens the About box from the menu and runs inside(dialog) while it is up.
  void WithAboutBox(const std::function<void(CAboutDlg*)>& inside) {
    dialogs_.onDialog = [&](wxDialog* dialog) {
      auto* about = dynamic_cast<CAboutDlg*>(dialog);
      EXPECT_NE(about, nullptr);
      if (about) inside(about);
      dialog->EndModal(wxID_OK);
    };
    session_.MenuCommand(ID_APP_ABOUT);
    dialogs_.onDialog = nullptr;
  }

  TempDir dir_;
  AppSession session_;
  DialogCatcher dialogs_;
};

std::vector<wxString> StaticTexts(wxWindow* dialog) {
  std::vector<wxString> texts;
  for (wxWindow* child : dialog->GetChildren()) {
    if (auto* text = dynamic_cast<wxStaticText*>(child)) texts.push_back(text->GetLabelText());
  }
  return texts;
}

TEST_F(AboutLinkTest, MenuAndButtonShowTheSameModalBox) {
  struct Seen {
    wxString title;
    std::vector<wxString> texts;
    wxString site;
    wxString siteTarget;
    wxString mail;
    wxString mailTip;
    wxWindow* parent;
    bool modal;
  };
  std::vector<Seen> seen;
  dialogs_.onDialog = [&](wxDialog* dialog) {
    auto* about = dynamic_cast<CAboutDlg*>(dialog);
    ASSERT_NE(about, nullptr);
    seen.push_back({about->GetTitle(), StaticTexts(about), about->SiteLink()->GetLabel(),
                    about->SiteLink()->GetTarget(), about->MailLink()->GetLabel(),
                    about->MailLink()->GetToolTipText(), about->GetParent(), about->IsModal()});
    dialog->EndModal(wxID_OK);
  };
  session_.MenuCommand(ID_APP_ABOUT);
  session_.Click("IDC_ABOUT");
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.title, U("关于 Korvalind"));
    EXPECT_EQ(s.texts, (std::vector<wxString>{U("Korvalind V1.0 工程版 Build 1108"),
                                              U("本软件为免费软件，欢迎使用和传播。"),
                                              U("软件策划: Korvalind 项目组\n"
                                                "程序设计: Korvalind 项目组")}));
    EXPECT_EQ(s.site, U(kSiteUrl));
    EXPECT_EQ(s.siteTarget, U(kSiteUrl));
    EXPECT_EQ(s.mail, U(std::string("E-Mail:") + kMailAddress));
    // The tooltip shows the target, not the text.
    EXPECT_EQ(s.mailTip, U(std::string("mailto:") + kMailAddress));
    EXPECT_EQ(s.parent, static_cast<wxWindow*>(session_.frame()));
    EXPECT_TRUE(s.modal);
  }
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(AboutLinkTest, FailedClickBeepsAndSaysWhy) {
  OpenerStub opener(3);  // no handler for the scheme, and no default web handler
  WithAboutBox([&](CAboutDlg* about) {
    CLinkLabel* site = about->SiteLink();
    session_.ClickWindow(site);
    ASSERT_TRUE(PumpUntil([&] { return !dialogs_.boxes.empty(); }));
    EXPECT_EQ(dialogs_.boxes[0].caption, U("Korvalind"));
    EXPECT_EQ(dialogs_.boxes[0].text,
              U("Unable to open hyperlink:\n\nThere is no application associated\n"
                "with the given filename extension."));
    EXPECT_FALSE(site->IsOpened());
    EXPECT_EQ(opener.Opened(), std::vector<std::string>{kSiteUrl});
  });
}

TEST_F(AboutLinkTest, SuccessfulClickOpensTheTargetAndKeepsTheNormalColour) {
  OpenerStub opener(0);
  WithAboutBox([&](CAboutDlg* about) {
    CLinkLabel* mail = about->MailLink();
    session_.ClickWindow(mail);
    EXPECT_TRUE(PumpUntil([&] { return mail->OpenResults() == 1; }));
    EXPECT_TRUE(mail->IsOpened());
    session_.MoveMouseTo(about->GetScreenPosition() + wxPoint(2, 2));
    EXPECT_TRUE(PumpUntil([&] { return !mail->IsHot(); }));
    EXPECT_EQ(mail->CurrentColor(), LinkColour());
    EXPECT_EQ(mail->GetForegroundColour(), LinkColour());
  });
  EXPECT_EQ(opener.Opened(), std::vector<std::string>{std::string("mailto:") + kMailAddress});
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(AboutLinkTest, SlowOpenerLeavesTheWindowFreeAndItsFailureIsReportedLater) {
  OpenerStub opener(3, /*held=*/true);  // fails, but only when the test lets it
  WithAboutBox([&](CAboutDlg* about) {
    CLinkLabel* site = about->SiteLink();
    site->OnClicked();
    // The click came back while the opener still runs; the window keeps handling events.
    EXPECT_FALSE(opener.Ended());
    bool idle_ran = false;
    about->CallAfter([&] { idle_ran = true; });
    EXPECT_TRUE(PumpUntil([&] { return idle_ran; }, 5000));
    EXPECT_TRUE(dialogs_.boxes.empty());
    opener.Release();
    ASSERT_TRUE(PumpUntil([&] { return !dialogs_.boxes.empty(); }, 5000));
    EXPECT_TRUE(dialogs_.boxes[0].text.StartsWith(U("Unable to open hyperlink:")));
    EXPECT_FALSE(site->IsOpened());
  });
}

TEST_F(AboutLinkTest, HoverUnderlinesInTheHighlightColourUntilThePointerLeaves) {
  WithAboutBox([&](CAboutDlg* about) {
    CLinkLabel* site = about->SiteLink();
    EXPECT_FALSE(site->GetFont().GetUnderlined());
    EXPECT_EQ(site->GetForegroundColour(), LinkColour());
    session_.MoveMouseTo(site->GetScreenRect().GetPosition() + wxPoint(3, 3));
    session_.MoveMouseTo(site->GetScreenRect().GetPosition() + wxPoint(4, 3));
    ASSERT_TRUE(PumpUntil([&] { return site->IsHot(); }));
    EXPECT_TRUE(site->GetFont().GetUnderlined());
    EXPECT_EQ(site->GetForegroundColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
    // No leave event is needed: the hover timer notices the pointer has gone.
    session_.MoveMouseTo(about->GetScreenPosition() + wxPoint(2, 2));
    EXPECT_TRUE(PumpUntil([&] { return !site->IsHot(); }));
    EXPECT_FALSE(site->GetFont().GetUnderlined());
    EXPECT_EQ(site->GetForegroundColour(), LinkColour());
  });
}

TEST_F(AboutLinkTest, LinksHaveTheHandCursorAndFitTheirText) {
  WithAboutBox([&](CAboutDlg* about) {
    for (CLinkLabel* link : {about->SiteLink(), about->MailLink()}) {
      EXPECT_TRUE(link->GetCursor().IsOk());
      wxClientDC dc(link);
      wxFont underlined = link->GetFont();
      underlined.SetUnderlined(true);
      dc.SetFont(underlined);
      const wxSize text = dc.GetMultiLineTextExtent(link->GetLabel());
      EXPECT_EQ(link->GetClientSize(), text) << link->GetLabel().utf8_string();
    }
  });
}

TEST(HandCursorTest, HotSpotIsTheFingertip) {
  const wxImage hand = LoadHandCursorImage();
  ASSERT_TRUE(hand.IsOk());
  EXPECT_EQ(hand.GetSize(), wxSize(32, 32));
  const int x = hand.GetOptionInt(wxIMAGE_OPTION_CUR_HOTSPOT_X);
  const int y = hand.GetOptionInt(wxIMAGE_OPTION_CUR_HOTSPOT_Y);
  EXPECT_EQ(wxPoint(x, y), wxPoint(1, 11));
  // The hot spot lies on the drawn hand, and nothing of the hand lies to its left.
  ASSERT_TRUE(hand.HasAlpha());
  EXPECT_GT(hand.GetAlpha(x, y), 0);
  for (int row = 0; row < 32; ++row) EXPECT_EQ(hand.GetAlpha(0, row) > 0, row >= 10 && row <= 12);
  // Two colours only: a monochrome cursor.
  for (int row = 0; row < 32; ++row) {
    for (int col = 0; col < 32; ++col) {
      if (hand.GetAlpha(col, row) == 0) continue;
      const int grey = hand.GetRed(col, row);
      EXPECT_TRUE(grey == 0 || grey == 255) << col << "," << row;
    }
  }
}

}  // namespace
}  // namespace korvalind::testing
