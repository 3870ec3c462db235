#pragma once

#include <string>
#include <string_view>

namespace korvalind::ui {

// The window's Chinese sentence for a message of the core. The core words its failures for the
// command line ("directory file \"P\" cannot be read: R"); the window keeps the file name and the
// reason R (which strerror gives in the user's language) and says the rest in Chinese. A
// message of any other form is returned unchanged. UTF-8 in and out.
std::string WindowMessage(std::string_view coreMessage);

}  // namespace korvalind::ui
