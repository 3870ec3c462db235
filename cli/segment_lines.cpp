#include "cli/segment_lines.h"

#include <langinfo.h>
#include <strings.h>

#include <clocale>

#include "cli/commands.h"
#include "directory/query.h"
#include "platform/gbk.h"
#include "platform/json_string.h"

namespace korvalind::cli {
namespace {

std::string Shown(Encoding encoding, std::string_view gbk) {
  return encoding == Encoding::kGbk ? std::string(gbk) : GbkToUtf8(gbk);
}

// The terminal's encoding, from the locale: gbk for a GB character set, else utf-8.
std::string LocaleEncoding() {
  const char* locale = std::setlocale(LC_CTYPE, "");
  const char* codeset = locale != nullptr ? nl_langinfo(CODESET) : "";
  std::setlocale(LC_CTYPE, "C");
  for (const char* gb : {"GBK", "GB2312", "GB18030", "CP936"}) {
    if (strcasecmp(codeset, gb) == 0) return "gbk";
  }
  return "utf-8";
}

}  // namespace

bool ParseListingOutput(const Arguments& args, Format* format, Encoding* encoding) {
  const std::string format_name = args.Value("format").value_or("tsv");
  if (format_name == "tsv") {
    *format = Format::kTsv;
  } else if (format_name == "json") {
    *format = Format::kJson;
  } else {
    PrintError("unknown format \"" + format_name + "\" (use tsv or json)");
    return false;
  }
  const std::string encoding_name = args.Value("encoding").value_or(LocaleEncoding());
  if (encoding_name == "utf-8" || encoding_name == "utf8" || encoding_name == "UTF-8") {
    *encoding = Encoding::kUtf8;
  } else if (encoding_name == "gbk" || encoding_name == "GBK" || encoding_name == "cp936") {
    *encoding = Encoding::kGbk;
  } else {
    PrintError("unknown encoding \"" + encoding_name + "\" (use utf-8 or gbk)");
    return false;
  }
  return true;
}

ShownAnswers::ShownAnswers(const SegmentAnswers& answers, Format format, Encoding encoding)
    : format_(format), encoding_(encoding) {
  places_.reserve(answers.places.size());
  for (const PlaceAnswer& place : answers.places) {
    places_.push_back({Shown(encoding, place.province), Shown(encoding, place.shownCity),
                       Shown(encoding, place.areaCode), Shown(encoding, place.postCode)});
  }
  for (int kind = 0; kind < 8; ++kind) labels_[kind] = Shown(encoding, SimKindLabel(kind));
}

void ShownAnswers::AppendText(std::string_view text, std::string* out) const {
  if (format_ == Format::kJson) {
    AppendJsonString(text, out,
                     encoding_ == Encoding::kGbk ? TextEncoding::kGbk : TextEncoding::kUtf8);
    return;
  }
  const size_t start = out->size();
  out->append(text);
  for (size_t i = start; i < out->size(); ++i) {
    char& c = (*out)[i];
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
}

void ShownAnswers::AppendFields(const SegmentAnswer& answer, std::string* out,
                                bool with_carrier) const {
  const Place& place = places_[answer.place];
  AnswerView view;
  view.outcome = QueryAnswer::Outcome::kOk;
  view.texts = {place.province, place.city,     labels_[answer.kind & 7],
                place.areaCode, place.postCode, answer.kind};
  view.segment = answer.segment;
  view.encoding = encoding_ == Encoding::kGbk ? TextEncoding::kGbk : TextEncoding::kUtf8;
  const bool json = format_ == Format::kJson;
  char digits[8];
  auto append = [&](const AnswerFieldInfo& info) {
    if (json) {
      out->append(",\"").append(info.jsonKey).append("\":");
    } else {
      *out += '\t';
    }
    AppendText(AnswerFieldValue(view, info.field, digits), out);
  };
  // The window's five, the kind digit, then (for list) the plan's carrier: the columns scripts
  // cut keep their places.
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.formField) append(info);
  }
  out->append(json ? ",\"kind\":" : "\t");
  *out += static_cast<char>('0' + (answer.kind & 7));
  if (!with_carrier) return;
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (!info.formField && !info.jsonKey.empty()) append(info);
  }
}

}  // namespace korvalind::cli
