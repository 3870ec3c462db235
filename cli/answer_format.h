#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "directory/answer_model.h"
#include "directory/query.h"

namespace korvalind::cli {

enum class Format { kText, kTsv, kJson };
enum class Encoding { kUtf8, kGbk };

// A tsv column: the text as given, its status, or a field of the answer.
struct Column {
  enum class Kind { kText, kStatus, kField };
  Kind kind = Kind::kText;
  AnswerField field = AnswerField::kProvince;
};
using Columns = std::vector<Column>;

// text, status and the five fields of the window: the columns scripts have always cut.
Columns DefaultColumns();

// The columns of a --fields list: comma-separated names, "text", "status" or an answer field's
// name or JSON key ("carrier_id" or "carrierId"). False with a message naming the unknown name.
bool ParseColumns(std::string_view list, Columns* columns, std::string* error);

// Appends the answer to one text to *out. For kText the answer goes to *out (a labelled line per
// field the text form shows) and a refusal or a miss (its message) to *errors; a miss still shows
// its carrier on *out. tsv writes columns, json every field with a JSON key, one line per text.
// Place texts and labels are code page 936 in the answer; they are written as UTF-8 (bytes that
// do not convert become U+FFFD) unless encoding is kGbk. The text as given is written as valid
// UTF-8 in UTF-8 mode, with tabs and line ends made blanks in tsv and other control characters
// (escape sequences) replaced in text and tsv: by U+FFFD, or "?" in GBK. json escapes them, and in
// GBK escapes character by character, never the second byte of a two-byte character.
void FormatAnswer(Format format, Encoding encoding, std::string_view text,
                  const QueryAnswer& answer, std::string* out, std::string* errors,
                  const Columns& columns = DefaultColumns());

// The tsv or json line of FormatAnswer (format is not kText), from a view already in the
// output's encoding (as the directory index holds its texts), appended to *out without
// allocating once *out and *scratch have grown.
void AppendAnswerLine(Format format, Encoding encoding, const Columns& columns,
                      std::string_view text, const AnswerView& answer, std::string* out,
                      std::string* scratch);

}  // namespace korvalind::cli
