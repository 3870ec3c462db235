#include "ui/dialog_font.h"

#include <wx/fontenum.h>

#include "ui/text_edge.h"

namespace korvalind::ui {

std::string ChooseDialogFace(const std::function<bool(const std::string&)>& isInstalled) {
  static const char* const kFaces[] = {
      "宋体",
      "SimSun",
      "NSimSun",
      "AR PL UMing CN",
      "Noto Serif CJK SC",
      "Noto Sans CJK SC",
      "WenQuanYi Zen Hei",
      "WenQuanYi Micro Hei",
      "Droid Sans Fallback",
  };
  for (const char* face : kFaces) {
    if (isInstalled(face)) return face;
  }
  return {};
}

wxFont DialogFont(int points) {
  static const std::string face = ChooseDialogFace(
      [](const std::string& name) { return wxFontEnumerator::IsValidFacename(Utf8ToWx(name)); });
  return wxFont(wxFontInfo(points).FaceName(Utf8ToWx(face)));
}

}  // namespace korvalind::ui
