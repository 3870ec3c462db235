#pragma once

#include <string>
#include <string_view>

namespace korvalind {

// The folder that holds the running program, without a trailing separator; empty when it cannot
// be found (then paths built from it are relative to the root, as the maintainer tools expect).
std::string ExecutableFolder();

// folder + "/" + name; just name when folder is empty.
std::string JoinPath(std::string_view folder, std::string_view name);

// The maintainer tools' data folder: ExecutableFolder() followed by "DATA".
std::string DataFolder();

// ExecutableFolder() + "/DATA/" + name.
std::string DataFilePath(std::string_view name);

// The error text of the last failed system call (errno), for messages.
std::string LastErrorText();

}  // namespace korvalind
