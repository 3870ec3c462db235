#include "ui/text_edge.h"

#include <algorithm>

#include "platform/gbk.h"

namespace korvalind::ui {

wxString GbkToWx(std::string_view gbk) { return Utf8ToWx(GbkToUtf8(gbk)); }

std::string WxToGbk(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return Utf8ToGbk(std::string_view(utf8.data(), utf8.length()));
}

wxString Utf8ToWx(std::string_view utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

wxString MessageToWx(std::string_view message) {
  if (message.empty()) return wxString();
  wxString text = Utf8ToWx(message);
  if (text.empty()) text = GbkToWx(message);
  return text;
}

size_t GbkOffset(const wxString& text, long pos) {
  if (pos <= 0) return 0;
  size_t chars = std::min(static_cast<size_t>(pos), text.length());
  return WxToGbk(text.Left(chars)).size();
}

}  // namespace korvalind::ui
