#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/directory_index.h"
#include "directory/number_plan.h"
#include "directory/query.h"

namespace korvalind {

// The fields of an answer, in the order every surface lists them. Adding a field means adding it
// here, to kAnswerFields and to AnswerFieldValue; the surfaces iterate over kAnswerFields.
enum class AnswerField : std::uint8_t {
  kProvince,
  kCity,
  kSimType,
  kCarrier,    // the number plan's carrier of the segment, Chinese name
  kCarrierId,  // "china-mobile", ...
  kService,    // "mobile", "virtual", "satellite"
  kAreaCode,
  kPostCode,
  kKind,     // the record's SIM card kind digit
  kSegment,  // the seven digits looked up
};

struct AnswerFieldInfo {
  AnswerField field;
  std::string_view name;     // snake_case: --fields, Python columns, C struct members
  std::string_view jsonKey;  // JSON answers; "" when JSON leaves it out
  std::string_view label;    // text form label, code page 936; "" when the text form leaves it out
  bool formField;            // one of the five fields the window shows
};

// Labels: 省份, 城市, SIM 卡类型, 运营商, 长途区号, 邮政编码.
inline constexpr AnswerFieldInfo kAnswerFields[] = {
    {AnswerField::kProvince, "province", "province", "\xca\xa1\xb7\xdd", true},
    {AnswerField::kCity, "city", "city", "\xb3\xc7\xca\xd0", true},
    {AnswerField::kSimType, "sim_type", "simType", "SIM \xbf\xa8\xc0\xe0\xd0\xcd", true},
    {AnswerField::kCarrier, "carrier", "carrier", "\xd4\xcb\xd3\xaa\xc9\xcc", false},
    {AnswerField::kCarrierId, "carrier_id", "carrierId", "", false},
    {AnswerField::kService, "service", "service", "", false},
    {AnswerField::kAreaCode, "area_code", "areaCode", "\xb3\xa4\xcd\xbe\xc7\xf8\xba\xc5", true},
    {AnswerField::kPostCode, "post_code", "postCode", "\xd3\xca\xd5\xfe\xb1\xe0\xc2\xeb", true},
    {AnswerField::kKind, "kind", "", "", false},
    {AnswerField::kSegment, "segment", "", "", false},
};
inline constexpr std::size_t kAnswerFieldCount = std::size(kAnswerFields);

constexpr const AnswerFieldInfo& FieldInfo(AnswerField field) {
  return kAnswerFields[static_cast<std::size_t>(field)];
}

// The field named name (its snake_case name or its JSON key); false when there is none.
bool FindAnswerField(std::string_view name, AnswerField* field);

// "ok", "not-found", "invalid".
std::string_view StatusName(QueryAnswer::Outcome outcome);

// One answer as views, in one encoding: what every surface writes out.
struct AnswerView {
  QueryAnswer::Outcome outcome = QueryAnswer::Outcome::kInvalid;
  AnswerTexts texts;          // read for kOk only
  std::uint32_t segment = 0;  // read for kOk and kNotFound
  TextEncoding encoding = TextEncoding::kGbk;
};

// The view of answer (whose texts are code page 936); valid while answer is.
AnswerView ViewOf(const QueryAnswer& answer);

// The text of one field: the place texts, SIM card label and kind only for kOk; the carrier,
// carrier id, service and segment for every accepted text (empty where the plan names no
// carrier); everything empty for kInvalid. *digits holds the text of the numeric fields.
// Inline: every line of the filter asks it for each of its columns.
inline std::string_view AnswerFieldValue(const AnswerView& view, AnswerField field,
                                         char (&digits)[8]) {
  const bool ok = view.outcome == QueryAnswer::Outcome::kOk;
  if (view.outcome == QueryAnswer::Outcome::kInvalid) return {};
  switch (field) {
    case AnswerField::kProvince:
      return ok ? view.texts.province : std::string_view();
    case AnswerField::kCity:
      return ok ? view.texts.city : std::string_view();
    case AnswerField::kSimType:
      return ok ? view.texts.simType : std::string_view();
    case AnswerField::kAreaCode:
      return ok ? view.texts.areaCode : std::string_view();
    case AnswerField::kPostCode:
      return ok ? view.texts.postCode : std::string_view();
    case AnswerField::kCarrier: {
      const Carrier carrier = PlanOfSegment(view.segment).carrier;
      return view.encoding == TextEncoding::kGbk ? CarrierNameGbk(carrier)
                                                 : CarrierNameUtf8(carrier);
    }
    case AnswerField::kCarrierId:
      return CarrierId(PlanOfSegment(view.segment).carrier);
    case AnswerField::kService:
      return ServiceName(PlanOfSegment(view.segment).service);
    case AnswerField::kKind:
      if (!ok) return {};
      digits[0] = static_cast<char>('0' + (view.texts.kind & 7));
      return {digits, 1};
    case AnswerField::kSegment: {
      if (view.segment == 0) return {};
      std::uint32_t rest = view.segment;
      for (int i = 6; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
      }
      return {digits, 7};
    }
  }
  return {};
}

// Appends the JSON object of one answer: {"text":...,"status":...} and every field with a JSON
// key, in kAnswerFields order, "" where the field says nothing. text is the text as given, written
// as AppendJsonString does in view.encoding; the fields must be well-formed in view.encoding (the
// texts the core and the library hand out are).
void AppendAnswerJson(std::string_view text, const AnswerView& view, std::string* out);

}  // namespace korvalind
