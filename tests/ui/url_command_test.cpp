#include "ui/url_command.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace korvalind::ui {
namespace {

TEST(UrlCommand, BuildFallbackCommandCutsAtThePlaceholder) {
  struct Case {
    const char* command;
    const char* expected;
  };
  const Case cases[] = {
      // Program, space, quoted placeholder: the space stays and one more is appended.
      {"C:\\Browser\\browse.exe \"%1\"", "C:\\Browser\\browse.exe  U"},
      // A bare placeholder and options after it: everything from the placeholder is dropped.
      {"/usr/bin/browse %1 -new-window", "/usr/bin/browse  U"},
      // No placeholder: the whole command, one space, the URL.
      {"/usr/bin/browse -remote", "/usr/bin/browse -remote U"},
      // The quoted form wins over an earlier bare one.
      {"browse %1 \"%1\"", "browse %1  U"},
      // The desktop placeholders, in the order %u, %U, %f, %F.
      {"firefox-esr %u", "firefox-esr  U"},
      {"chromium %U", "chromium  U"},
      {"viewer --file %f", "viewer --file  U"},
      {"viewer %F %u", "viewer %F  U"},
      {"", " U"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildFallbackCommand(c.command, "U"), c.expected) << c.command;
  }
}

TEST(UrlCommand, SplitExecLineFollowsTheDesktopEntryQuoting) {
  struct Case {
    const char* exec;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"firefox -new-window", {"firefox", "-new-window"}},
      {"  spaced   out\t", {"spaced", "out"}},
      {"\"/opt/My Browser/run\" --x", {"/opt/My Browser/run", "--x"}},
      {"\"a \\\"b\\\" \\$c \\`d\\` \\\\e\"", {"a \"b\" $c `d` \\e"}},
      {"prog %i %c %k --name=%c", {"prog", "--name="}},
      {"prog 100%% --flag", {"prog", "100%", "--flag"}},
      {"prog \"\"", {"prog", ""}},
      {"prog \"unterminated", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitExecLine(c.exec), c.expected) << c.exec;
}

TEST(UrlCommand, FallbackArgumentsKeepTheUrlOneArgumentWithoutAShell) {
  const std::string url = "http://h.example/a b;rm -rf ~ $(x) \"q\"";
  EXPECT_EQ(FallbackArguments("\"/opt/web browser\" --new %u", url),
            (std::vector<std::string>{"/opt/web browser", "--new", url}));
  EXPECT_TRUE(FallbackArguments("%u", url).empty());
  EXPECT_TRUE(FallbackArguments("", url).empty());
}

TEST(UrlCommand, DesktopEntryExecReadsOnlyTheMainGroup) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"[Desktop Entry]\nName=B\nExec=browse %u\n", "browse %u"},
      {"[Desktop Entry]\r\nExec = browse --x %U\r\n", "browse --x %U"},
      {"[Desktop Action new]\nExec=other\n[Desktop Entry]\nExec[de]=de\nExecX=no\nExec=main\n",
       "main"},
      {"[Desktop Entry]\nExec=a\\sb\\\\c\\td\n", "a b\\c\td"},
      {"[Desktop Entry]\nName=No exec\n[Other]\nExec=elsewhere\n", ""},
      {"Exec=outside any group\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DesktopEntryExec(c.text), c.expected) << c.text;
}

TEST(UrlCommand, DesktopFileCandidatesAndDataFolders) {
  EXPECT_EQ(XdgDataFolders("", "/home/u", ""),
            (std::vector<std::string>{"/home/u/.local/share", "/usr/local/share", "/usr/share"}));
  EXPECT_EQ(XdgDataFolders("/d", "/home/u", "/x::/y"),
            (std::vector<std::string>{"/d", "/x", "/y"}));
  EXPECT_EQ(DesktopFileCandidates("kde4-konq.desktop", {"/a", "/b"}),
            (std::vector<std::string>{
                "/a/applications/kde4-konq.desktop", "/a/applications/kde4/konq.desktop",
                "/b/applications/kde4-konq.desktop", "/b/applications/kde4/konq.desktop"}));
  EXPECT_EQ(DesktopFileCandidates("firefox.desktop", {"/a"}),
            (std::vector<std::string>{"/a/applications/firefox.desktop"}));
  EXPECT_TRUE(DesktopFileCandidates("", {"/a"}).empty());
  EXPECT_TRUE(DesktopFileCandidates("../../etc/passwd", {"/a"}).empty());
}

TEST(UrlCommand, OpenerOutcomesMapToShellCodes) {
  struct Case {
    int exitStatus;
    int code;
  };
  // xdg-open: 0 done, 1 bad arguments, 2 no such file, 3 no tool (no handler), 4 action failed.
  for (const Case& c : {Case{0, kOpenedCode}, Case{1, 27}, Case{2, 2}, Case{3, 31}, Case{4, 27},
                        Case{128 + 9, 27}}) {
    EXPECT_EQ(CodeForOpenerExit(c.exitStatus), c.code) << c.exitStatus;
  }
  EXPECT_GT(kOpenedCode, 32);
  struct Spawn {
    int error;
    int code;
  };
  for (const Spawn& c : {Spawn{ENOENT, 2}, Spawn{ENOTDIR, 3}, Spawn{EACCES, 5}, Spawn{EPERM, 5},
                         Spawn{ENOMEM, 8}, Spawn{ENOEXEC, 11}, Spawn{EAGAIN, 0}}) {
    EXPECT_EQ(CodeForSpawnError(c.error), c.code) << c.error;
  }
}

}  // namespace
}  // namespace korvalind::ui
