#pragma once

#include "directory/answer_model.h"
#include "korvalind/korvalind.h"

namespace korvalind::library {

// The core's view of an answer the C interface gave (texts in UTF-8 unless encoding says GBK),
// for in-tree clients that write answers out through the one answer model.
inline AnswerView ViewOfAnswer(korvalind_status status, const korvalind_answer_ex& answer,
                               TextEncoding encoding = TextEncoding::kUtf8) {
  AnswerView view;
  view.outcome = status == KORVALIND_OK          ? QueryAnswer::Outcome::kOk
                 : status == KORVALIND_NOT_FOUND ? QueryAnswer::Outcome::kNotFound
                                                 : QueryAnswer::Outcome::kInvalid;
  auto text = [](const char* p) { return p != nullptr ? std::string_view(p) : std::string_view(); };
  view.texts = {text(answer.province),  text(answer.city),
                text(answer.sim_type),  text(answer.area_code),
                text(answer.post_code), static_cast<std::uint8_t>(answer.kind)};
  view.segment = view.outcome == QueryAnswer::Outcome::kInvalid ? 0 : answer.segment;
  view.encoding = encoding;
  return view;
}

}  // namespace korvalind::library
