#pragma once

#include <string>

#include "cli/arguments.h"
#include "directory/directory_image.h"
#include "directory/loader.h"

namespace korvalind::cli {

// --directory FILE, else the default (KORVALIND_DIRECTORY, beside the program, installed copy).
std::string ChosenDirectoryPath(const Arguments& args);

// Loads the chosen directory; on failure prints why and returns false. Each command says whether
// it needs the index: only one that looks up many texts repays the time it takes to build.
bool LoadChosenDirectory(const Arguments& args, DirectoryImage* image, IndexPolicy policy);

}  // namespace korvalind::cli
