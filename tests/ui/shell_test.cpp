// The application shell: caption, menu, accelerator table, the label-only shortcuts, New, Open,
// Save, Exit, and start-up with a directory that is missing or damaged.

#include <gtest/gtest.h>
#include <wx/accel.h>
#include <wx/cmdline.h>
#include <wx/combobox.h>
#include <wx/docview.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/panel.h>

#include <algorithm>
#include <cstdlib>

#include "gui_harness.h"
#include "opener_stub.h"
#include "ui/build_config.h"
#include "ui/korvalind_app.h"
#include "ui/korvalind_view.h"
#include "ui/main_frame.h"
#include "ui/resource_ids.h"

namespace korvalind::testing {
namespace {

using namespace korvalind::ui;

wxString U(const std::string& utf8) { return wxString::FromUTF8(utf8); }
wxString CaptionFor(const std::string& title) { return U(title + " - " + kWindowTitle); }

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : directory_(WriteWorkedDirectory(dir_)), session_({.directory = directory_}) {}

  TempDir dir_;
  std::string directory_;
  OpenerStub opener_;
  AppSession session_;
};

TEST_F(ShellTest, CaptionMenuAndNoBars) {
  ASSERT_TRUE(session_.started());
  EXPECT_EQ(session_.Caption(), CaptionFor("Korvalind"));
  CMainFrame* frame = session_.frame();
  EXPECT_EQ(frame->GetToolBar(), nullptr);
  EXPECT_EQ(frame->GetStatusBar(), nullptr);
  wxMenuBar* bar = frame->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 1u);
  EXPECT_EQ(bar->GetMenuLabel(0), U("功能(&F)"));
  struct Item {
    int id;
    const char* label;
  };
  const Item expected[] = {
      {ID_VISIT_SITE, "访问网站(&G)...\tCtrl+G"},
      {ID_SETTINGS, "系统设置(&S)\tCtrl+S"},
      {wxID_SEPARATOR, ""},
      {ID_ONLINE_UPDATE, "在线更新(&U)\tCtrl+U"},
      {wxID_SEPARATOR, ""},
      {ID_APP_ABOUT, "关于 Korvalind(&A)..."},
      {wxID_SEPARATOR, ""},
      {ID_APP_EXIT, "退出(&X)"},
  };
  const wxMenuItemList& items = bar->GetMenu(0)->GetMenuItems();
  ASSERT_EQ(items.size(), std::size(expected));
  size_t i = 0;
  for (const wxMenuItem* item : items) {
    EXPECT_EQ(item->GetId(), expected[i].id) << i;
    if (!item->IsSeparator()) {
      EXPECT_EQ(item->GetItemLabel(), U(expected[i].label)) << i;
    }
    ++i;
  }
  // Exit shows no stock shortcut of its own.
  std::unique_ptr<wxAcceleratorEntry> exit_accel(bar->FindItem(ID_APP_EXIT)->GetAccel());
  EXPECT_EQ(exit_accel, nullptr);
}

TEST_F(ShellTest, AcceleratorTableHasTheFourteenKeys) {
  struct Key {
    int flags;
    int code;
    int command;
  };
  const Key keys[] = {
      {wxACCEL_CTRL, 'N', ID_FILE_NEW},
      {wxACCEL_CTRL, 'O', ID_FILE_OPEN},
      {wxACCEL_CTRL, 'S', ID_FILE_SAVE},
      {wxACCEL_CTRL, 'P', ID_FILE_PRINT},
      {wxACCEL_CTRL, 'Z', ID_EDIT_UNDO},
      {wxACCEL_CTRL, 'X', ID_EDIT_CUT},
      {wxACCEL_CTRL, 'C', ID_EDIT_COPY},
      {wxACCEL_CTRL, 'V', ID_EDIT_PASTE},
      {wxACCEL_ALT, WXK_BACK, ID_EDIT_UNDO},
      {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT},
      {wxACCEL_CTRL, WXK_INSERT, ID_EDIT_COPY},
      {wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE},
      {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
      {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},
      {wxACCEL_CTRL, 'G', -1},
      {wxACCEL_CTRL, 'U', -1},
      {wxACCEL_CTRL, 'Q', -1},
  };
  const wxAcceleratorTable* table = session_.frame()->GetAcceleratorTable();
  for (const Key& key : keys) {
    wxKeyEvent probe(wxEVT_KEY_DOWN);
    probe.m_keyCode = key.code;
    probe.m_controlDown = key.flags & wxACCEL_CTRL;
    probe.m_altDown = key.flags & wxACCEL_ALT;
    probe.m_shiftDown = key.flags & wxACCEL_SHIFT;
    EXPECT_EQ(table->GetCommand(probe), key.command) << key.code;
  }
}

TEST_F(ShellTest, ShortcutTextsOfTheMenuAreLabelsOnly) {
  DialogCatcher dialogs;
  session_.Key('G', wxMOD_CONTROL);
  session_.Key('U', wxMOD_CONTROL);
  Pump(100);
  EXPECT_TRUE(opener_.Opened().empty());
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_NE(session_.frame(), nullptr);
  // The menu items themselves work, and so do the form's buttons.
  session_.MenuCommand(ID_SETTINGS);
  session_.MenuCommand(ID_VISIT_SITE);
  session_.MenuCommand(ID_ONLINE_UPDATE);
  session_.Click("IDC_VISITSITE");
  session_.Click("IDC_UPDATE");
  // Each opener runs on a thread of its own: they finish in any order.
  EXPECT_TRUE(PumpUntil([&] { return opener_.Opened().size() == 4; }));
  std::vector<std::string> opened = opener_.Opened();
  std::sort(opened.begin(), opened.end());
  std::vector<std::string> expected{kSiteUrl, kDownloadUrl, kSiteUrl, kDownloadUrl};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(opened, expected);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_TRUE(dialogs.fileDialogs.empty());
}

TEST_F(ShellTest, CtrlSSavesAnEmptyFileUnderTheChosenName) {
  DialogCatcher dialogs;
  const std::string saved = dir_.File("saved.kvd");
  dialogs.filePaths.push_back(U(saved));
  session_.Key('S', wxMOD_CONTROL);
  ASSERT_TRUE(PumpUntil([&] { return FileExists(saved); }));
  EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
  // The name proposed is the one the caption shows.
  EXPECT_EQ(dialogs.fileNames, std::vector<wxString>{U("Korvalind")});
  EXPECT_EQ(ReadFile(saved), "");
  EXPECT_EQ(session_.Caption(), CaptionFor("saved.kvd"));
}

TEST_F(ShellTest, NewRunsTheInitialUpdateAgainInTheSameWindow) {
  session_.TypeIntoNumberBox("1390123");
  session_.PressEnter();
  DialogCatcher dialogs;
  dialogs.filePaths.push_back(U(dir_.File("other.kvd")));
  session_.Key('S', wxMOD_CONTROL);
  ASSERT_TRUE(PumpUntil([&] { return session_.Caption() == CaptionFor("other.kvd"); }));
  CMainFrame* frame = session_.frame();
  wxWindow* form = session_.view()->Form();
  // The directory changes on disk; New loads it again.
  WriteWorkedDirectory(dir_, "Korvalind.dat", {"1390125"});
  session_.Key('N', wxMOD_CONTROL);
  EXPECT_EQ(session_.Caption(), CaptionFor("Korvalind"));
  EXPECT_EQ(session_.Text("IDC_COUNT"), U("手机号码段共计:2 [2002-11-08]"));
  EXPECT_EQ(session_.frame(), frame);
  EXPECT_EQ(session_.view()->Form(), form);
  EXPECT_EQ(session_.Text("IDC_PROVINCE"), U("河北"));  // the result fields keep their texts
  EXPECT_EQ(session_.History(), std::vector<wxString>{U("1390123")});
  EXPECT_EQ(wxWindow::FindFocus(), static_cast<wxWindow*>(session_.NumberBox()));
  session_.TypeIntoNumberBox("1390125");
  session_.PressEnter();
  EXPECT_EQ(session_.Text("IDC_CITY"), U("石家庄"));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShellTest, NewAfterTheDirectoryWasDamagedReportsItAndRecovers) {
  DialogCatcher dialogs;
  WriteFile(directory_, std::string(64, '\x5a'));
  session_.Key('N', wxMOD_CONTROL);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.Contains(U("已损坏"))) << dialogs.boxes[0].text.utf8_string();
  EXPECT_EQ(session_.Text("IDC_COUNT"), U("手机号码段共计:0 [2002-11-08]"));
  session_.TypeIntoNumberBox("1390123");
  session_.PressEnter();
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].text, U("不会吧，没有找到!"));
  // A good file again: the next New answers from it.
  WriteWorkedDirectory(dir_);
  session_.Key('N', wxMOD_CONTROL);
  EXPECT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(session_.Text("IDC_COUNT"), U("手机号码段共计:1 [2002-11-08]"));
}

TEST_F(ShellTest, OpenReadsNothingAndRunsTheInitialUpdateAgain) {
  DialogCatcher dialogs;
  const std::string chosen = dir_.File("anything.txt");
  WriteFile(chosen, "not a document");
  WriteWorkedDirectory(dir_, "Korvalind.dat", {"1390125", "1390126"});
  session_.Key('O', wxMOD_CONTROL);  // cancelled: nothing changes
  EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
  EXPECT_EQ(session_.Caption(), CaptionFor("Korvalind"));
  EXPECT_EQ(session_.Text("IDC_COUNT"), U("手机号码段共计:1 [2002-11-08]"));
  dialogs.filePaths.push_back(U(chosen));
  session_.Key('O', wxMOD_CONTROL);
  EXPECT_TRUE(PumpUntil([&] { return session_.Caption() == CaptionFor("anything.txt"); }));
  EXPECT_EQ(session_.Text("IDC_COUNT"), U("手机号码段共计:3 [2002-11-08]"));
  EXPECT_EQ(ReadFile(chosen), "not a document");
  EXPECT_TRUE(dialogs.boxes.empty());
  // The opened file heads the recent-file list, which keeps four.
  wxDocManager* manager = session_.app().DocManager();
  EXPECT_EQ(manager->GetFileHistory()->GetMaxFiles(), 4u);
  ASSERT_GE(manager->GetHistoryFilesCount(), 1u);
  EXPECT_EQ(manager->GetHistoryFile(0), U(chosen));
}

TEST_F(ShellTest, CtrlPPrintsThroughTheFormsPrintDialog) {
  DialogCatcher dialogs;
  dialogs.otherAnswer = wxID_CANCEL;
  session_.Key('P', wxMOD_CONTROL);
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.otherDialogs.empty(); }));
  EXPECT_EQ(dialogs.otherDialogs.size(), 1u);
  EXPECT_TRUE(dialogs.otherDialogs[0].Contains(wxS("Print"))) << dialogs.otherDialogs[0];
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(ShellPositionTest, WindowReopensWhereItWasClosedAndSettingsLiveUnderXdgConfigHome) {
  TempDir dir;
  const std::string directory = WriteWorkedDirectory(dir);
  const wxPoint where(37, 53);
  {
    AppSession first({.directory = directory});
    first.frame()->Move(where);
    PumpUntil([&] { return first.frame()->GetPosition() == where; }, 1000);
  }
  const char* config = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(config, nullptr);
  EXPECT_TRUE(FileExists(std::string(config) + "/korvalind/korvalind.conf"));
  AppSession second({.directory = directory});
  EXPECT_EQ(second.frame()->GetPosition(), where);
}

TEST_F(ShellTest, ExitAndCtrlQCloseTheWindow) {
  for (bool by_key : {false, true}) {
    if (by_key) {
      AppSession again({.directory = directory_});
      again.Key('Q', wxMOD_CONTROL);
      EXPECT_TRUE(PumpUntil([&] { return again.frame() == nullptr; })) << "Ctrl+Q";
    } else {
      session_.MenuCommand(ID_APP_EXIT);
      EXPECT_TRUE(PumpUntil([&] { return session_.frame() == nullptr; })) << "Exit";
    }
  }
}

TEST(ShellStartTest, CommandLineTakesTheMaintainerOptionAndAFile) {
  struct Case {
    const char* line;
    bool parses;
    bool maintainer;
    const char* file;
  };
  const Case cases[] = {
      {"", true, false, ""},
      {"--maintainer", true, true, ""},
      {"some.doc", true, false, "some.doc"},
      {"--maintainer some.doc", true, true, "some.doc"},
      {"--no-such-option", false, false, ""},
      {"one.doc two.doc", false, false, ""},
  };
  auto& app = *static_cast<CKorvalindApp*>(wxTheApp);
  for (const Case& c : cases) {
    app.SetMaintainer(false);
    app.SetFileToOpen(wxString());
    wxCmdLineParser parser(wxString::FromUTF8(c.line));  // the arguments after the program name
    app.OnInitCmdLine(parser);
    const bool parsed = parser.Parse(false) == 0 && app.OnCmdLineParsed(parser);
    EXPECT_EQ(parsed, c.parses) << c.line;
    if (!parsed) continue;
    EXPECT_EQ(app.IsMaintainer(), c.maintainer) << c.line;
    EXPECT_EQ(app.FileToOpen(), wxString::FromUTF8(c.file)) << c.line;
  }
  app.SetMaintainer(false);
  app.SetFileToOpen(wxString());
}

TEST(ShellStartTest, FileOnTheCommandLineIsOpened) {
  TempDir dir;
  const std::string file = dir.File("named.doc");
  WriteFile(file, "ignored");
  AppSession session({.directory = WriteWorkedDirectory(dir), .fileToOpen = file});
  ASSERT_TRUE(session.started());
  EXPECT_EQ(session.Caption(), CaptionFor("named.doc"));
  EXPECT_EQ(session.Text("IDC_COUNT"), U("手机号码段共计:1 [2002-11-08]"));
}

TEST(ShellStartTest, UnopenableFileOnTheCommandLineEndsWithoutAWindow) {
  TempDir dir;
  DialogCatcher dialogs;
  AppSession session(
      {.directory = WriteWorkedDirectory(dir), .fileToOpen = dir.File("absent.doc")});
  EXPECT_FALSE(session.started());
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.Contains(U("absent.doc")));
  EXPECT_EQ(session.frame(), nullptr);
}

TEST(ShellStartTest, UnreadableDirectoryIsReportedAndEveryQueryIsNotFound) {
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file at all
    const char* reason;
  };
  const Case cases[] = {
      {"missing", "", "无法读取号码库文件"},
      {"short", "thirteen byte", "已损坏"},
      {"garbage", std::string(64, '\x5a'), "已损坏"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.File("Korvalind.dat");
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    DialogCatcher dialogs;
    AppSession session({.directory = path});
    ASSERT_TRUE(session.started()) << c.name;
    ASSERT_EQ(dialogs.boxes.size(), 1u) << c.name;
    EXPECT_EQ(dialogs.boxes[0].caption, U("Korvalind"));
    EXPECT_TRUE(dialogs.boxes[0].text.Contains(U(path))) << dialogs.boxes[0].text.utf8_string();
    EXPECT_TRUE(dialogs.boxes[0].text.Contains(U(c.reason))) << c.name;
    EXPECT_EQ(session.Text("IDC_COUNT"), U("手机号码段共计:0 [2002-11-08]"));
    session.TypeIntoNumberBox("1390123");
    session.PressEnter();
    ASSERT_EQ(dialogs.boxes.size(), 2u) << c.name;
    EXPECT_EQ(dialogs.boxes[1].text, U("不会吧，没有找到!"));
  }
}

}  // namespace
}  // namespace korvalind::testing
