#pragma once

#include <string>
#include <string_view>

#include "directory/query.h"

namespace korvalind::cli {

enum class Format { kText, kTsv, kJson };
enum class Encoding { kUtf8, kGbk };

// Appends value as a JSON string: quotes, backslashes and control characters escaped, other
// bytes as they are; in GBK a two-byte character passes whole, so that the output decoded as GBK
// is JSON.
void AppendJsonString(std::string_view value, Encoding encoding, std::string* out);

// Normalises a text for --any-prefix: drops leading blanks, then a leading "+86" or "0086", then
// every blank and hyphen.
std::string NormalizeAnyPrefix(std::string_view text);
// The same into *out, whose storage is reused.
void NormalizeAnyPrefix(std::string_view text, std::string* out);

// True when the first seven bytes of text are digits beginning with "1".
bool IsAnyPrefixSegment(std::string_view text);

// Appends the answer to one text to *out. For kText the answer goes to *out and a refusal or a
// miss (its message) to *errors; tsv and json write one line for every text. Place texts and
// labels are code page 936 in the answer; they are written as UTF-8 (bytes that do not convert
// become U+FFFD) unless encoding is kGbk. The text as given is written as valid UTF-8 in UTF-8
// mode, with tabs and line ends made blanks in tsv and other control characters (escape
// sequences) replaced in text and tsv: by U+FFFD, or "?" in GBK. json escapes them, and in GBK
// escapes character by character, never the second byte of a two-byte character.
void FormatAnswer(Format format, Encoding encoding, std::string_view text,
                  const QueryAnswer& answer, std::string* out, std::string* errors);

// The tsv or json line of FormatAnswer (format is not kText), from texts already in the output's encoding (as the
// directory index holds them), appended to *out without allocating once *out and *scratch have
// grown. texts is not read unless outcome is kOk.
void AppendAnswerLine(Format format, Encoding encoding, std::string_view text,
                      QueryAnswer::Outcome outcome, const AnswerTexts& texts, std::string* out,
                      std::string* scratch);

}  // namespace korvalind::cli
