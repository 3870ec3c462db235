#include "directory/answer_model.h"

#include <array>

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

void AppendAnswerJson(std::string_view text, const AnswerView& view, std::string* out) {
  // ",\"province\":" and so on, made once: every line of the filter writes them all.
  static const std::array<std::string, kAnswerFieldCount> kKeys = [] {
    std::array<std::string, kAnswerFieldCount> keys;
    for (const AnswerFieldInfo& info : kAnswerFields) {
      if (!info.jsonKey.empty()) {
        keys[static_cast<std::size_t>(info.field)] = ",\"" + std::string(info.jsonKey) + "\":";
      }
    }
    return keys;
  }();
  char digits[8];
  *out += "{\"text\":";
  AppendJsonString(text, out, view.encoding);
  *out += ",\"status\":\"";
  *out += StatusName(view.outcome);
  *out += '"';
  for (const AnswerFieldInfo& info : kAnswerFields) {
    if (info.jsonKey.empty()) continue;
    *out += kKeys[static_cast<std::size_t>(info.field)];
    AppendJsonStringOfValidText(AnswerFieldValue(view, info.field, digits), out, view.encoding);
  }
  *out += '}';
}

}  // namespace korvalind
