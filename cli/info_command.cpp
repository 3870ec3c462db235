#include <cstdio>

#include "cli/commands.h"
#include "cli/directory_choice.h"
#include "directory/loader.h"
#include "platform/gbk.h"

namespace korvalind::cli {

int RunInfo(const Arguments& args) {
  DirectoryImage image;
  if (!LoadChosenDirectory(args, &image, IndexPolicy::kSkip)) return kExitUsage;
  std::string text = ChosenDirectoryPath(args) + "\n" + GbkToUtf8(CountLine(image)) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    PrintError("cannot write to standard output");
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace korvalind::cli
