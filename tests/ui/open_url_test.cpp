// OpenUrl against stand-in openers: small shell scripts put first in PATH, and a desktop file
// for the fallback in a data folder of its own.

#include "ui/open_url.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "scoped_env.h"
#include "support/temp_dir.h"
#include "ui/url_command.h"

namespace korvalind::ui {
namespace {

using korvalind::testing::FileExists;
using korvalind::testing::ReadFile;
using korvalind::testing::ScopedEnv;
using korvalind::testing::TempDir;
using korvalind::testing::WriteFile;

class OpenUrlTest : public ::testing::Test {
 protected:
  OpenUrlTest()
      : path_("PATH", bin_.path()),
        data_home_("XDG_DATA_HOME", data_.path()),
        data_dirs_("XDG_DATA_DIRS", data_.path() + "/none") {}

  // A script named name in the stand-in PATH. Only shell built-ins are reachable from it.
  void Script(const std::string& name, const std::string& body) {
    const std::string path = bin_.File(name);
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
  }
  // An opener that records its arguments, one a line, and exits with status.
  void Opener(int status) {
    Script("xdg-open",
           "printf '%s\\n' \"$@\" > '" + log_.File("opener") + "'\nexit " + std::to_string(status));
  }
  // xdg-mime naming desktop files: answers maps a MIME type to a desktop id.
  void Mime(const std::string& http, const std::string& html) {
    Script("xdg-mime", "case \"$3\" in\n  x-scheme-handler/http) printf '%s\\n' '" + http +
                           "';;\n  text/html) printf '%s\\n' '" + html + "';;\nesac");
  }
  void Desktop(const std::string& id, const std::string& exec) {
    std::filesystem::create_directories(data_.path() + "/applications");
    WriteFile(data_.path() + "/applications/" + id,
              "[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
  }
  std::string Recorder() {
    Script("recorder", "printf '%s\\n' \"$@\" > '" + log_.File("handler") + "'");
    return bin_.File("recorder");
  }
  // The handler runs without being waited for: poll for what it wrote.
  std::string HandlerArguments() {
    const std::string path = log_.File("handler");
    for (int i = 0; i < 200 && !FileExists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return FileExists(path) ? ReadFile(path) : "";
  }

  TempDir bin_;
  TempDir data_;
  TempDir log_;
  ScopedEnv path_;
  ScopedEnv data_home_;
  ScopedEnv data_dirs_;
};

const char kUrl[] = "http://www.korvalind.example/a b;echo x";

TEST_F(OpenUrlTest, OpenerSuccessReturnsAtOnceWithTheUrlAsOneArgument) {
  Opener(0);
  Mime("never.desktop", "never.desktop");
  EXPECT_GT(OpenUrl(kUrl, SW_SHOW), 32);
  EXPECT_EQ(ReadFile(log_.File("opener")), std::string(kUrl) + "\n");
}

TEST_F(OpenUrlTest, FailuresWithoutFallbackGiveTheOpenersCode) {
  struct Case {
    int status;
    int code;
  };
  for (const Case& c : {Case{3, 31}, Case{2, 2}, Case{4, 27}, Case{1, 27}}) {
    Opener(c.status);
    EXPECT_EQ(OpenUrl(kUrl, SW_SHOW), c.code) << "exit " << c.status;
  }
}

TEST_F(OpenUrlTest, MissingOpenerIsFileNotFound) { EXPECT_EQ(OpenUrl(kUrl, SW_SHOW), 2); }

TEST_F(OpenUrlTest, FallbackRunsTheDefaultWebHandlerWithoutAShell) {
  Opener(3);
  const std::string recorder = Recorder();
  Mime("web-browser.desktop", "other.desktop");
  Desktop("web-browser.desktop", "\"" + recorder + "\" --new-window %u");
  EXPECT_GT(OpenUrl(kUrl, SW_SHOW), 32);
  EXPECT_EQ(HandlerArguments(), "--new-window\n" + std::string(kUrl) + "\n");
}

TEST_F(OpenUrlTest, FallbackFindsANestedDesktopIdAndTheHtmlHandler) {
  Opener(4);
  const std::string recorder = Recorder();
  Mime("", "kde4-web.desktop");
  std::filesystem::create_directories(data_.path() + "/applications/kde4");
  WriteFile(data_.path() + "/applications/kde4/web.desktop",
            "[Desktop Entry]\nExec=" + recorder + " \"%1\"\n");
  EXPECT_GT(OpenUrl(kUrl, SW_SHOW), 32);
  EXPECT_EQ(HandlerArguments(), std::string(kUrl) + "\n");
}

TEST_F(OpenUrlTest, FallbackThatCannotStartReportsThat) {
  Opener(3);
  Mime("gone.desktop", "");
  Desktop("gone.desktop", bin_.File("no-such-browser") + " %u");
  EXPECT_EQ(OpenUrl(kUrl, SW_SHOW), 2);
  Desktop("gone.desktop", "%u");  // nothing left to run: the opener's code stands
  EXPECT_EQ(OpenUrl(kUrl, SW_SHOW), 31);
}

TEST_F(OpenUrlTest, AnOpenerStillRunningAfterThePatienceCountsAsOpened) {
  // A browser started without a session keeps the opener waiting; it ends by itself later.
  // Its output goes elsewhere, so that it does not hold the test run's pipe while it lasts.
  Script("xdg-open", "exec /bin/sleep 2 </dev/null >/dev/null 2>&1");
  EXPECT_GT(OpenUrl(kUrl, SW_SHOW, std::chrono::milliseconds(200)), 32);
}

TEST_F(OpenUrlTest, DefaultWebHandlerExecIsEmptyWithoutXdgMime) {
  EXPECT_EQ(DefaultWebHandlerExec(), "");
  Mime("b.desktop", "");
  Desktop("b.desktop", "browse %U");
  EXPECT_EQ(DefaultWebHandlerExec(), "browse %U");
}

}  // namespace
}  // namespace korvalind::ui
