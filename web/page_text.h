#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvalind::web {

// text made safe inside HTML, in element content and in quoted attribute values alike: & < > "
// and ' become character references, and every byte that is not part of valid UTF-8, every C0
// control but tab and line feed, and DEL become U+FFFD.
std::string EscapeHtml(std::string_view text);

// The value of the first field called name in a query string of the form encoding
// ("number=%2B86+139..."): "+" is a blank, %XX a byte (a malformed escape stays as it is).
// None when the field is absent; a field without "=" has the empty value.
std::optional<std::string> FormValue(std::string_view query, std::string_view name);

}  // namespace korvalind::web
