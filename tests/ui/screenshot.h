#pragma once

#include <string>

namespace korvalind::testing {

// Starts the program on the bundled directory, queries query by typing it and pressing Enter,
// and saves the main window as a PNG at path (with ImageMagick's import). Returns 0 on success.
int TakeScreenshot(const std::string& path, const std::string& query);

}  // namespace korvalind::testing
