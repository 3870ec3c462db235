#include "cli/directory_choice.h"

#include "cli/commands.h"
#include "directory/loader.h"

namespace korvalind::cli {

std::string ChosenDirectoryPath(const Arguments& args) {
  return args.Value("directory").value_or(DefaultDirectoryPath());
}

bool LoadChosenDirectory(const Arguments& args, DirectoryImage* image, IndexPolicy policy) {
  Status status = LoadDirectory(ChosenDirectoryPath(args), image, policy);
  if (!status.ok()) PrintError(status.message());
  return status.ok();
}

}  // namespace korvalind::cli
