#include "ui/settings_file.h"

#include <wx/config.h>
#include <wx/fileconf.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/file_io.h"
#include "ui/strings.h"
#include "ui/text_edge.h"

namespace korvalind::ui {
namespace {

constexpr char kFolder[] = "korvalind";
constexpr char kFileName[] = "korvalind.conf";
constexpr char kOldFileName[] = ".Korvalind";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string SettingsPath(const std::string& xdgConfigHome, const std::string& home) {
  std::string base = xdgConfigHome;
  if (base.empty() || base.front() != '/') {
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/" + kFolder + "/" + kFileName;
}

std::string PrepareSettingsFile(const std::string& xdgConfigHome, const std::string& home) {
  const std::string path = SettingsPath(xdgConfigHome, home);
  if (path.empty()) return {};
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) return {};
  if (!home.empty() && !std::filesystem::exists(path, error)) {
    const std::string old = home + "/" + kOldFileName;
    std::string text;
    // A copy under a temporary name, renamed when complete: a half-copied file is never taken
    // for the settings. Without it the program starts with no settings, as on a first run.
    if (std::filesystem::is_regular_file(old, error) && ReadWholeFile(old, &text).ok()) {
      AtomicFile copy;
      if (copy.Open(path).ok()) {
        copy.Write(text);
        (void)copy.Commit();
      }
    }
  }
  return path;
}

void UseSettingsFile() {
  static bool done = false;
  if (done) return;
  done = true;
  const std::string path = PrepareSettingsFile(Env("XDG_CONFIG_HOME"), Env("HOME"));
  if (path.empty()) return;  // the toolkit's default store
  delete wxConfigBase::Set(new wxFileConfig(Utf8ToWx(kAppName), wxString(),
                                            wxString::FromUTF8(path), wxString(),
                                            wxCONFIG_USE_LOCAL_FILE));
}

}  // namespace korvalind::ui
