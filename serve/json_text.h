#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/json_string.h"

namespace korvalind::serve {

// Parses a JSON array of strings ("[\"1390123\", \"1300000\"]", blanks allowed between tokens)
// into *texts (the strings unescaped, as UTF-8). Stops with false and a message in *error for
// anything else, or when the array holds more than max_texts strings.
bool ParseJsonStringArray(std::string_view json, size_t max_texts, std::vector<std::string>* texts,
                          std::string* error);

}  // namespace korvalind::serve
