#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/answer_format.h"
#include "cli/arguments.h"
#include "tools/segment_answers.h"

namespace korvalind::cli {

// --format (tsv or json; text is not offered) and --encoding of the listing commands, which
// defaults to the terminal's: gbk when the locale's character set is GBK, GB2312 or GB18030,
// else utf-8. On error prints why and returns false.
bool ParseListingOutput(const Arguments& args, Format* format, Encoding* encoding);

// The answers of a directory as the listing commands write them, every place converted to the
// output encoding once. tsv fields have their tabs and line ends made blanks.
class ShownAnswers {
 public:
  ShownAnswers(const SegmentAnswers& answers, Format format, Encoding encoding);

  // The province and the answer's city of a place, in the output encoding.
  std::string_view Province(std::uint32_t place) const { return places_[place].province; }
  std::string_view City(std::uint32_t place) const { return places_[place].city; }

  // The segment's fields, for tsv: province, city, SIM card kind, area code, postal code and
  // the kind digit, each after a tab; for json: the same as "key":value pairs, each after a ",".
  // with_carrier adds the number plan's carrier, carrier id and service of the segment.
  void AppendFields(const SegmentAnswer& answer, std::string* out, bool with_carrier = false) const;

  // A text in the output's form: tsv blanks tabs and line ends, json quotes it.
  void AppendText(std::string_view text, std::string* out) const;

 private:
  struct Place {
    std::string province, city, areaCode, postCode;
  };

  Format format_;
  Encoding encoding_;
  std::vector<Place> places_;
  std::string labels_[8];
};

}  // namespace korvalind::cli
