#pragma once

#include <string>
#include <string_view>

namespace korvalind {

// The two encodings texts leave the core in: code page 936 as held, or UTF-8.
enum class TextEncoding { kGbk, kUtf8 };

// Code page 936 (GBK) bytes to UTF-8. A byte sequence that does not convert becomes U+FFFD, one
// per byte, so the result is always valid UTF-8.
std::string GbkToUtf8(std::string_view gbk);

// GbkToUtf8 for a name shown in a message: C0 control bytes and DEL become visible escapes
// ("\x00", "\x1b"), so that a NUL cannot cut the message short and nothing reaches a terminal
// as a control sequence.
std::string GbkToUtf8ForMessage(std::string_view gbk);

// UTF-8 to code page 936. A character that has no GBK form, or an invalid UTF-8 byte, becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

// The same two conversions, refusing instead of replacing: false when any byte sequence does not
// convert (a GBK text that is not well-formed, a character without a GBK form), and *out is then
// not to be used.
bool GbkToUtf8Exact(std::string_view gbk, std::string* out);
bool Utf8ToGbkExact(std::string_view utf8, std::string* out);

// GbkToUtf8 for many texts: opening a conversion costs more than converting a short name, so
// this keeps one open for its lifetime. Append gives exactly the bytes GbkToUtf8 gives.
class GbkToUtf8Converter {
 public:
  GbkToUtf8Converter();
  GbkToUtf8Converter(const GbkToUtf8Converter&) = delete;
  GbkToUtf8Converter& operator=(const GbkToUtf8Converter&) = delete;
  ~GbkToUtf8Converter();

  void Append(std::string_view gbk, std::string* out);

 private:
  void* descriptor_;  // an iconv_t; (void*)-1 when the system offers no GBK conversion
};

}  // namespace korvalind

namespace korvalind {

// text with every byte that is not part of a well-formed UTF-8 character replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// The same, appended to *out.
void AppendValidUtf8(std::string_view text, std::string* out);

}  // namespace korvalind
