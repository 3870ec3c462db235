#pragma once

#include <string>

#include "platform/status.h"

namespace korvalind {

// The maintainer steps work in a named folder. An empty name (the program's own folder, where
// the default data folder lies, could not be found) is refused rather than taken for the current
// folder.
inline Status CheckDataFolder(const std::string& dataFolder) {
  if (!dataFolder.empty()) return Status::Ok();
  return Status::InvalidArgument(
      "no data folder was given, and the default (DATA beside the program) is unknown because "
      "the program's own folder cannot be found");
}

}  // namespace korvalind
