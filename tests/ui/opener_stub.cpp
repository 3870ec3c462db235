#include "opener_stub.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace korvalind::testing {
namespace {

std::string PathWith(const std::string& first) {
  const char* path = std::getenv("PATH");
  return first + ":" + (path ? path : "/usr/bin:/bin");
}

}  // namespace

OpenerStub::OpenerStub(int exitStatus, bool held) : path_("PATH", PathWith(bin_.path())) {
  const std::string script = bin_.File("xdg-open");
  std::ostringstream body;
  body << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << bin_.File("opened") << "'\n";
  if (held) {
    body << "i=0\nwhile [ ! -e '" << bin_.File("release") << "' ] && [ $i -lt 600 ]; do\n"
         << "  sleep 0.05; i=$((i + 1))\ndone\n";
  }
  body << ": > '" << bin_.File("ended") << "'\nexit " << exitStatus << "\n";
  WriteFile(script, body.str());
  chmod(script.c_str(), 0755);
  // No fallback handler: xdg-mime finds nothing.
  const std::string mime = bin_.File("xdg-mime");
  WriteFile(mime, "#!/bin/sh\nexit 1\n");
  chmod(mime.c_str(), 0755);
}

void OpenerStub::Release() const { WriteFile(bin_.File("release"), ""); }

bool OpenerStub::Ended() const { return FileExists(bin_.File("ended")); }

std::vector<std::string> OpenerStub::Opened() const {
  std::vector<std::string> urls;
  if (!FileExists(bin_.File("opened"))) return urls;
  std::istringstream in(ReadFile(bin_.File("opened")));
  for (std::string line; std::getline(in, line);) urls.push_back(line);
  return urls;
}

}  // namespace korvalind::testing
