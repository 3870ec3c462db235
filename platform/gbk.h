#pragma once

#include <string>
#include <string_view>

namespace korvalind {

// Code page 936 (GBK) bytes to UTF-8. A byte sequence that does not convert becomes U+FFFD, one
// per byte, so the result is always valid UTF-8.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to code page 936. A character that has no GBK form, or an invalid UTF-8 byte, becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace korvalind

namespace korvalind {

// text with every byte that is not part of a well-formed UTF-8 character replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace korvalind
