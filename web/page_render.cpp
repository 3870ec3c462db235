#include "web/page_render.h"

#include "web/page_text.h"

namespace korvalind::web {
namespace {

// The text a marker stands for, already safe to insert; false for an unknown marker.
bool MarkerText(std::string_view name, const PageView& view, std::string* out) {
  AnswerField field;
  if (name == "number") {
    *out = EscapeHtml(view.number);
  } else if (name == "message") {
    if (!view.asked || view.status == KORVALIND_OK) {
      out->clear();
    } else if (view.status == KORVALIND_NOT_FOUND) {
      *out = kNotFoundMessageUtf8;
    } else if (view.status == KORVALIND_INVALID) {
      *out = kInvalidMessageUtf8;
    } else {
      *out = "查询失败";
    }
  } else if (name == "message_class") {
    *out = view.asked && view.status != KORVALIND_OK ? " error" : "";
  } else if (FindAnswerField(name, &field)) {
    char digits[8];
    *out = view.asked ? EscapeHtml(AnswerFieldValue(view.answer, field, digits)) : std::string();
  } else if (name == "count_line") {
    *out = EscapeHtml(view.count_line);
  } else if (name == "version") {
    *out = EscapeHtml(view.version);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string RenderPage(std::string_view page_template, const PageView& view) {
  std::string page;
  page.reserve(page_template.size() + 512);
  std::string value;
  while (true) {
    const size_t open = page_template.find("{{");
    const size_t close = open == std::string_view::npos ? open : page_template.find("}}", open + 2);
    if (close == std::string_view::npos) break;
    page.append(page_template.substr(0, open));
    if (MarkerText(page_template.substr(open + 2, close - open - 2), view, &value)) {
      page += value;
    } else {
      page.append(page_template.substr(open, close + 2 - open));
    }
    page_template.remove_prefix(close + 2);
  }
  page.append(page_template);
  return page;
}

}  // namespace korvalind::web
