#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/json_string.h"

namespace korvalind::serve {

// Texts stored end to end in one block, so that 100,000 short ones cost one allocation and
// four bytes each instead of a string object each.
class PackedTexts {
 public:
  size_t size() const { return ends_.size(); }
  std::string_view operator[](size_t i) const {
    size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(joined_).substr(begin, ends_[i] - begin);
  }
  void clear() {
    joined_.clear();
    ends_.clear();
  }
  // The text being added: append to it, then End() it.
  std::string* open() { return &joined_; }
  void End() { ends_.push_back(static_cast<std::uint32_t>(joined_.size())); }

 private:
  std::string joined_;
  std::vector<std::uint32_t> ends_;
};

// Parses a JSON array of strings ("[\"1390123\", \"1300000\"]", blanks allowed between tokens)
// into *texts (the strings unescaped, as UTF-8). Stops with false and a message in *error for
// anything else, or when the array holds more than max_texts strings.
bool ParseJsonStringArray(std::string_view json, size_t max_texts, PackedTexts* texts,
                          std::string* error);

}  // namespace korvalind::serve
