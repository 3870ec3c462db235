// The maintainer buttons: hidden unless --maintainer, and the whole pipeline run from them on a
// small data folder, its result enciphered and deciphered by the cipher buttons and read back.

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/display.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cipher/file_cipher.h"
#include "directory/loader.h"
#include "directory/query.h"
#include "gui_harness.h"
#include "ui/korvalind_view.h"
#include "ui/main_frame.h"

namespace korvalind::testing {
namespace {

wxString U(const std::string& utf8) { return wxString::FromUTF8(utf8); }

const char* const kMaintainerButtons[] = {"IDC_CONVERT_AREACODE", "IDC_ORGANISE", "IDC_BUILD",
                                          "IDC_ENCRYPT", "IDC_DECRYPT"};
const char* const kAlwaysHidden[] = {"IDC_DIGITS", "IDC_TAKEDATA", "IDC_MINIMIZE", "IDC_COMPANION"};

TEST(MaintainerTest, ButtonsAreShownOnlyWithTheOption) {
  TempDir dir;
  const std::string directory = WriteWorkedDirectory(dir);
  for (bool maintainer : {false, true}) {
    AppSession session({.directory = directory, .maintainer = maintainer});
    ASSERT_TRUE(session.started());
    for (const char* name : kMaintainerButtons) {
      EXPECT_EQ(session.Control(name)->IsShown(), maintainer) << name;
    }
    for (const char* name : kAlwaysHidden) EXPECT_FALSE(session.Control(name)->IsShown()) << name;
    EXPECT_TRUE(session.Control("IDC_QUERY")->IsShown());
    if (!maintainer) continue;
    // Shown, they cover nothing: a row of their own inside the form, which the window shows.
    wxWindow* form = session.view()->Form();
    for (const char* name : kMaintainerButtons) {
      const wxRect button = session.Control(name)->GetRect();
      EXPECT_TRUE(wxRect(form->GetSize()).Contains(button)) << name;
      for (wxWindow* other : form->GetChildren()) {
        if (other == session.Control(name) || !other->IsShown()) continue;
        EXPECT_FALSE(button.Intersects(other->GetRect()))
            << name << " covers " << other->GetName() << " " << other->GetLabel().utf8_string();
      }
    }
    // The window shows the whole form, unless the screen is too small for it (it then scrolls).
    const wxRect work = wxDisplay(session.frame()).GetClientArea();
    const wxSize outer = session.frame()->GetSize();
    EXPECT_TRUE(session.frame()->GetClientSize() == form->GetSize() || outer.x >= work.width ||
                outer.y >= work.height)
        << "client " << session.frame()->GetClientSize().y << " of " << form->GetSize().y;
  }
}

// The first lines of a text file, each with its line end.
std::string Head(const std::string& path, size_t lines) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  std::string line;
  for (size_t i = 0; i < lines && std::getline(in, line); ++i) text += line + "\n";
  return text;
}

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~ScopedCurrentDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(MaintainerTest, PipelineFromTheButtonsBuildsADirectoryThatAnswersAsTheDump) {
  const char* data = std::getenv("KORVALIND_TEST_DATA");
  ASSERT_NE(data, nullptr);
  TempDir work;
  const std::string folder = work.File("DATA");
  std::filesystem::create_directory(folder);
  AppSession session({.directory = WriteWorkedDirectory(work), .maintainer = true});
  ASSERT_TRUE(session.started());
  session.view()->SetDataFolder(folder);
  DialogCatcher dialogs;

  // Nothing to build from yet: the failure names the file.
  session.Click("IDC_BUILD");
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, U("Korvalind"));
  EXPECT_TRUE(dialogs.boxes[0].text.Contains(U(folder))) << dialogs.boxes[0].text.utf8_string();
  dialogs.boxes.clear();

  // A small dump: its header lines and its first 40 rows, the last one closing the statement.
  std::string dump = Head(std::string(data) + "/simcard2.sql", 2 + 40);
  dump.replace(dump.rfind("),"), 2, ");");
  WriteFile(folder + "/simcard2.sql", dump);
  std::filesystem::copy_file(std::string(data) + "/areacode", folder + "/areacode");
  std::filesystem::copy_file(std::string(data) + "/city", folder + "/city");

  session.Click("IDC_CONVERT_AREACODE");
  EXPECT_TRUE(FileExists(folder + "/zone"));
  EXPECT_TRUE(dialogs.boxes.empty());
  session.Click("IDC_ORGANISE");
  EXPECT_TRUE(FileExists(folder + "/binary"));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, U("Finished!"));
  session.Click("IDC_BUILD");
  ASSERT_TRUE(FileExists(folder + "/Korvalind.dat"));
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  const std::string plain = ReadFile(folder + "/Korvalind.dat");

  // The cipher buttons work on fixed names in the current directory.
  ScopedCurrentDirectory cwd(work.path());
  WriteFile(work.File("korvalind.dat"), plain);
  session.Click("IDC_ENCRYPT");
  ASSERT_TRUE(FileExists(work.File("11111")));
  EXPECT_EQ(ReadFile(work.File("11111")), EncipherBytes(plain, CipherKey));
  session.Click("IDC_DECRYPT");
  const std::string deciphered = ReadFile(work.File("dd.TMP"));
  ASSERT_EQ(deciphered.size(), 8 * (plain.size() / 8 + 1));
  EXPECT_EQ(deciphered.substr(0, plain.size()), plain);
  EXPECT_EQ(deciphered.substr(plain.size()), std::string(deciphered.size() - plain.size(), '\0'));
  EXPECT_EQ(dialogs.boxes.size(), 1u);

  // The enciphered result loads and answers every row of the dump as the dump says.
  DirectoryImage image;
  ASSERT_TRUE(LoadDirectory(work.File("11111"), &image).ok());
  std::istringstream rows(dump);
  int checked = 0;
  for (std::string row; std::getline(rows, row);) {
    std::vector<std::string> f;  // segment, province, city, kind, area code
    for (size_t pos = row.find('\''); pos != std::string::npos; pos = row.find('\'', pos + 1)) {
      size_t end = row.find('\'', pos + 1);
      f.push_back(row.substr(pos + 1, end - pos - 1));
      pos = end;
    }
    if (f.size() != 5) continue;
    const QueryAnswer answer = QueryNumber(image, f[0]);
    ASSERT_EQ(answer.outcome, QueryAnswer::Outcome::kOk) << row;
    EXPECT_EQ(answer.province, f[1]) << row;
    EXPECT_EQ(answer.city, f[2].empty() ? f[1] : f[2]) << row;
    EXPECT_EQ(answer.areaCode, f[4]) << row;
    ++checked;
  }
  EXPECT_EQ(checked, 40);
}

TEST(MaintainerTest, CipherButtonFailureIsReported) {
  TempDir work;
  AppSession session({.directory = WriteWorkedDirectory(work), .maintainer = true});
  ScopedCurrentDirectory cwd(work.path());
  DialogCatcher dialogs;
  session.Click("IDC_ENCRYPT");  // no korvalind.dat here
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.Contains(U("korvalind.dat")));
  EXPECT_FALSE(FileExists(work.File("11111")));
}

}  // namespace
}  // namespace korvalind::testing
