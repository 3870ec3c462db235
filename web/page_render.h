#pragma once

#include <string>
#include <string_view>

#include "directory/answer_model.h"
#include "korvalind/korvalind.h"

namespace korvalind::web {

// What one rendering of the page shows. Texts are UTF-8 (anything else is shown replaced).
struct PageView {
  // False for the empty form; true after a submitted number, even an empty one.
  bool asked = false;
  std::string_view number;  // the text as the user typed it, shown again in the box
  korvalind_status status = KORVALIND_INVALID;
  AnswerView answer;            // UTF-8
  std::string_view count_line;  // "手机号码段共计:N [2002-11-08]"
  std::string_view version;
};

// The user messages of a refused text and of a segment the directory lacks, UTF-8.
inline constexpr std::string_view kInvalidMessageUtf8 = "请输入合法的号码段!";
inline constexpr std::string_view kNotFoundMessageUtf8 = "不会吧，没有找到!";

// The page template with every "{{name}}" marker replaced by the escaped text of view:
// number, message, message_class, count_line, version, and every answer field by its name
// (province, city, sim_type, carrier, ...). An unknown marker, or "{{" without "}}", is copied as
// it stands. The answer fields say what the answer model says: the place fields only for
// KORVALIND_OK, the carrier for a missing segment too; a refused or missing segment shows its
// message.
std::string RenderPage(std::string_view page_template, const PageView& view);

}  // namespace korvalind::web
