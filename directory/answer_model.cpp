#include "directory/answer_model.h"

#include "directory/number_plan.h"
#include "platform/json_string.h"

namespace korvalind {

static_assert(
    [] {
      for (std::size_t i = 0; i < kAnswerFieldCount; ++i) {
        if (static_cast<std::size_t>(kAnswerFields[i].field) != i) return false;
      }
      return true;
    }(),
    "kAnswerFields lists the fields in AnswerField order");

bool FindAnswerField(std::string_view name, AnswerField* field) {
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (name == info.name || (!info.jsonKey.empty() && name == info.jsonKey)) {
      *field = info.field;
      return true;
    }
  }
  return false;
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

AnswerView ViewOf(const QueryAnswer& answer) {
  AnswerView view;
  view.outcome = answer.outcome;
  view.texts = {answer.province, answer.city,     answer.simType,
                answer.areaCode, answer.postCode, static_cast<std::uint8_t>(answer.kind)};
  view.segment = answer.segment;
  view.encoding = TextEncoding::kGbk;
  return view;
}

std::string_view AnswerFieldValue(const AnswerView& view, AnswerField field, char (&digits)[8]) {
  const bool ok = view.outcome == QueryAnswer::Outcome::kOk;
  if (view.outcome == QueryAnswer::Outcome::kInvalid) return {};
  const PlanEntry plan = PlanOfSegment(view.segment);
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
    case AnswerField::kCarrier:
      return view.encoding == TextEncoding::kGbk ? CarrierNameGbk(plan.carrier)
                                                 : CarrierNameUtf8(plan.carrier);
    case AnswerField::kCarrierId:
      return CarrierId(plan.carrier);
    case AnswerField::kService:
      return ServiceName(plan.service);
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

void AppendAnswerJson(std::string_view text, const AnswerView& view, std::string* out) {
  char digits[8];
  *out += "{\"text\":";
  AppendJsonString(text, out, view.encoding);
  *out += ",\"status\":\"";
  *out += StatusName(view.outcome);
  *out += '"';
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.jsonKey.empty()) continue;
    *out += ",\"";
    *out += info.jsonKey;
    *out += "\":";
    AppendJsonString(AnswerFieldValue(view, info.field, digits), out, view.encoding);
  }
  *out += '}';
}

}  // namespace korvalind
