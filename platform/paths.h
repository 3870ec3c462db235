#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvalind {

// The folder that holds the running program, without a trailing separator ("/" for the root);
// nothing when it cannot be found (no /proc, or its link unreadable). An unknown folder is never
// taken for the current one: nothing lies "beside" the program then.
std::optional<std::string> ExecutableFolder();

// folder + "/" + name; just name when folder is empty.
std::string JoinPath(std::string_view folder, std::string_view name);

// The maintainer tools' data folder: the folder "DATA" in ExecutableFolder(); nothing when that
// is unknown.
std::optional<std::string> DataFolder();

// The error text of the last failed system call (errno), for messages.
std::string LastErrorText();

}  // namespace korvalind
