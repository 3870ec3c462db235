#include "cli/answer_format.h"

#include <cstdio>

#include "platform/gbk.h"

namespace korvalind::cli {
namespace {

// The form's labels and a colon, code page 936.
constexpr std::string_view kProvinceLabel = "\xca\xa1\xb7\xdd";                     // 省份
constexpr std::string_view kCityLabel = "\xb3\xc7\xca\xd0";                         // 城市
constexpr std::string_view kSimTypeLabel = "SIM \xbf\xa8\xc0\xe0\xd0\xcd";          // SIM 卡类型
constexpr std::string_view kAreaCodeLabel = "\xb3\xa4\xcd\xbe\xc7\xf8\xba\xc5";     // 长途区号
constexpr std::string_view kPostCodeLabel = "\xd3\xca\xd5\xfe\xb1\xe0\xc2\xeb";     // 邮政编码

std::string Convert(Encoding encoding, std::string_view gbk) {
  return encoding == Encoding::kGbk ? std::string(gbk) : GbkToUtf8(gbk);
}

// A GBK character of two bytes: its second byte may be any of 0x40 to 0xFE but 0x7F, so it can
// look like "\\" (0x5C) or another ASCII character, and must be passed on with its first byte.
bool IsGbkPair(std::string_view text, size_t i) {
  auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return false;
  auto trail = static_cast<unsigned char>(text[i + 1]);
  return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// Appends the text as given, valid in the output's encoding, with control characters made safe
// for a terminal (AppendForTerminal). *scratch is reused storage.
void AppendGivenText(Encoding encoding, std::string_view text, bool tsv, std::string* out,
                     std::string* scratch) {
  const bool gbk = encoding == Encoding::kGbk;
  scratch->clear();
  if (!gbk) AppendValidUtf8(text, scratch);
  AppendForTerminal(gbk ? text : std::string_view(*scratch), gbk, tsv, out);
}

std::string GivenText(Encoding encoding, std::string_view text) {
  std::string out, scratch;
  AppendGivenText(encoding, text, false, &out, &scratch);
  return out;
}

std::string_view StatusName(QueryAnswer::Outcome outcome) {
  switch (outcome) {
    case QueryAnswer::Outcome::kOk:
      return "ok";
    case QueryAnswer::Outcome::kNotFound:
      return "not-found";
    case QueryAnswer::Outcome::kInvalid:
      break;
  }
  return "invalid";
}

}  // namespace

// A JSON string of value, escaped character by character: in GBK a two-byte character passes
// whole, so that the output decoded as GBK is JSON.
void AppendJsonString(std::string_view value, Encoding encoding, std::string* out) {
  *out += '"';
  size_t plain = 0;  // start of the run of bytes that need no escape
  for (size_t i = 0; i < value.size(); ++i) {
    if (encoding == Encoding::kGbk && IsGbkPair(value, i)) {
      ++i;
      continue;
    }
    auto c = static_cast<unsigned char>(value[i]);
    if (c != '"' && c != '\\' && c >= 0x20 && c != 0x7F) continue;
    out->append(value.substr(plain, i - plain));
    plain = i + 1;
    if (c == '"' || c == '\\') {
      *out += '\\';
      *out += value[i];
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      *out += escape;
    }
  }
  out->append(value.substr(plain));
  *out += '"';
}

std::string NormalizeAnyPrefix(std::string_view text) {
  std::string out;
  NormalizeAnyPrefix(text, &out);
  return out;
}

void NormalizeAnyPrefix(std::string_view text, std::string* out) {
  const size_t begin = text.find_first_not_of(" \t");
  text.remove_prefix(begin == std::string_view::npos ? text.size() : begin);
  if (text.substr(0, 3) == "+86") {
    text.remove_prefix(3);
  } else if (text.substr(0, 4) == "0086") {
    text.remove_prefix(4);
  }
  out->clear();
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '-') *out += c;
  }
}

bool IsAnyPrefixSegment(std::string_view text) {
  if (text.size() < 7 || text[0] != '1') return false;
  for (size_t i = 0; i < 7; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

void FormatAnswer(Format format, Encoding encoding, std::string_view text,
                  const QueryAnswer& answer, std::string* out, std::string* errors) {
  const bool ok = answer.outcome == QueryAnswer::Outcome::kOk;
  const std::string_view empty;
  const std::string_view fields[5] = {
      ok ? std::string_view(answer.province) : empty, ok ? std::string_view(answer.city) : empty,
      ok ? std::string_view(answer.simType) : empty, ok ? std::string_view(answer.areaCode) : empty,
      ok ? std::string_view(answer.postCode) : empty};
  switch (format) {
    case Format::kText: {
      if (!ok) {
        std::string_view message = answer.outcome == QueryAnswer::Outcome::kInvalid
                                       ? kInvalidSegmentMessage
                                       : kNotFoundMessage;
        *errors += GivenText(encoding, text) + ": " + Convert(encoding, message) + "\n";
        return;
      }
      const std::string_view labels[5] = {kProvinceLabel, kCityLabel, kSimTypeLabel,
                                          kAreaCodeLabel, kPostCodeLabel};
      for (int i = 0; i < 5; ++i) {
        *out += Convert(encoding, labels[i]);
        *out += ": ";
        AppendForTerminal(Convert(encoding, fields[i]), encoding == Encoding::kGbk, false, out);
        *out += '\n';
      }
      return;
    }
    case Format::kTsv:
    case Format::kJson:
      break;
  }
  AnswerTexts texts;
  std::string converted[5];
  if (ok) {
    std::string_view* targets[5] = {&texts.province, &texts.city, &texts.simType,
                                    &texts.areaCode, &texts.postCode};
    for (int i = 0; i < 5; ++i) {
      if (encoding == Encoding::kGbk) {
        *targets[i] = fields[i];
      } else {
        converted[i] = GbkToUtf8(fields[i]);
        *targets[i] = converted[i];
      }
    }
  }
  std::string scratch;
  AppendAnswerLine(format, encoding, text, answer.outcome, texts, out, &scratch);
}

void AppendAnswerLine(Format format, Encoding encoding, std::string_view text,
                      QueryAnswer::Outcome outcome, const AnswerTexts& texts, std::string* out,
                      std::string* scratch) {
  const bool ok = outcome == QueryAnswer::Outcome::kOk;
  const std::string_view fields[5] = {
      ok ? texts.province : std::string_view(), ok ? texts.city : std::string_view(),
      ok ? texts.simType : std::string_view(), ok ? texts.areaCode : std::string_view(),
      ok ? texts.postCode : std::string_view()};
  if (format == Format::kTsv) {
    // A tab or line end inside the text or a name would add a column or a line: made blanks.
    AppendGivenText(encoding, text, true, out, scratch);
    *out += '\t';
    *out += StatusName(outcome);
    for (std::string_view field : fields) {
      *out += '\t';
      AppendForTerminal(field, encoding == Encoding::kGbk, true, out);
    }
    *out += '\n';
    return;
  }
  static constexpr std::string_view kKeys[5] = {"province", "city", "simType", "areaCode",
                                                "postCode"};
  *out += "{\"text\":";
  scratch->clear();
  if (encoding == Encoding::kGbk) {
    scratch->append(text);
  } else {
    AppendValidUtf8(text, scratch);
  }
  AppendJsonString(*scratch, encoding, out);
  *out += ",\"status\":\"";
  *out += StatusName(outcome);
  *out += '"';
  for (int i = 0; i < 5; ++i) {
    *out += ",\"";
    *out += kKeys[i];
    *out += "\":";
    AppendJsonString(fields[i], encoding, out);
  }
  *out += "}\n";
}

}  // namespace korvalind::cli
