#include "ui/settings_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace korvalind::ui {
namespace {

using korvalind::testing::FileExists;
using korvalind::testing::ReadFile;
using korvalind::testing::TempDir;
using korvalind::testing::WriteFile;

TEST(SettingsFileTest, PathFollowsXdgConfigHomeElseHome) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* path;
  };
  const Case cases[] = {
      {"/x/conf", "/home/u", "/x/conf/korvalind/korvalind.conf"},
      {"", "/home/u", "/home/u/.config/korvalind/korvalind.conf"},
      {"relative/conf", "/home/u", "/home/u/.config/korvalind/korvalind.conf"},
      {"/x/conf", "", "/x/conf/korvalind/korvalind.conf"},
      {"", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsPath(c.xdg, c.home), c.path) << c.xdg;
}

TEST(SettingsFileTest, OldSettingsAreCopiedOnceAndNeverOverANewFile) {
  TempDir home;
  const std::string xdg = home.File("conf");
  const std::string old = home.File(".Korvalind");
  const std::string path = xdg + "/korvalind/korvalind.conf";
  // No old file: the folder is made, no file yet.
  EXPECT_EQ(PrepareSettingsFile(xdg, home.path()), path);
  EXPECT_FALSE(FileExists(path));
  // An old file is taken over as it is.
  WriteFile(old, "[RecentFiles]\nfile1=/a\n");
  EXPECT_EQ(PrepareSettingsFile(xdg, home.path()), path);
  EXPECT_EQ(ReadFile(path), "[RecentFiles]\nfile1=/a\n");
  // Once the new file exists, the old one is left alone.
  WriteFile(path, "[Window]\nX=5\n");
  WriteFile(old, "changed\n");
  EXPECT_EQ(PrepareSettingsFile(xdg, home.path()), path);
  EXPECT_EQ(ReadFile(path), "[Window]\nX=5\n");
}

}  // namespace
}  // namespace korvalind::ui
