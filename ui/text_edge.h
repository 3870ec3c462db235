#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

// Conversions at the edge between the core's code page 936 texts and the wx controls' Unicode.
// Every conversion works character by character, so a byte that does not convert spoils only
// itself (shown as U+FFFD, or stored as "?"), never the whole text.

namespace korvalind::ui {

// Code page 936 bytes to a wx string.
wxString GbkToWx(std::string_view gbk);

// A wx string to code page 936 bytes.
std::string WxToGbk(const wxString& text);

// UTF-8 text (the program's own constants) to a wx string.
wxString Utf8ToWx(std::string_view utf8);

// A status message of the core: UTF-8 when it is well-formed (names and reasons), otherwise
// taken as code page 936.
wxString MessageToWx(std::string_view message);

// The byte offset in code page 936 of the character position pos of text (pos counted in
// characters, clamped to the text's length).
size_t GbkOffset(const wxString& text, long pos);

}  // namespace korvalind::ui
