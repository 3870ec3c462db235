#pragma once

#include <string>
#include <string_view>

#include "platform/gbk.h"

namespace korvalind {

// Appends value to *out as a JSON string literal: quotes, backslashes and control characters
// (below 0x20, and DEL) escaped. In UTF-8 every byte that is not part of well-formed UTF-8 becomes
// U+FFFD, so that whatever a client or a file held comes out as valid JSON. In GBK the bytes pass
// as they are, a two-byte character always whole (its second byte may look like "\\"), so that
// the output decoded as GBK is JSON.
void AppendJsonString(std::string_view value, std::string* out,
                      TextEncoding encoding = TextEncoding::kUtf8);

// The same for a value known to be well-formed in encoding (a text the core made, such as an
// answer's field): nothing is checked or replaced, only escaped.
void AppendJsonStringOfValidText(std::string_view value, std::string* out, TextEncoding encoding);

}  // namespace korvalind
