#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvalind::serve {

// Appends value as a JSON string literal: quotes, backslashes and control characters escaped,
// and every byte that is not part of well-formed UTF-8 replaced by U+FFFD, so that whatever a
// client sent comes back as valid JSON and never as raw bytes.
void AppendJsonString(std::string_view value, std::string* out);

// Parses a JSON array of strings ("[\"1390123\", \"1300000\"]", blanks allowed between tokens)
// into *texts (the strings unescaped, as UTF-8). Stops with false and a message in *error for
// anything else, or when the array holds more than max_texts strings.
bool ParseJsonStringArray(std::string_view json, size_t max_texts, std::vector<std::string>* texts,
                          std::string* error);

}  // namespace korvalind::serve
