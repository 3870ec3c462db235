#include "ui/user_locale.h"

#include <wx/translation.h>
#include <wx/uilocale.h>

#include <clocale>

namespace korvalind::ui {

void UseUserLocale() {
  static bool done = false;
  if (done) return;
  done = true;
  // LC_ALL from the environment: GTK translates its dialogs and context menus with it, and
  // strerror gives its reasons in the user's language.
  wxUILocale::UseDefault();
  // Numbers are read and written in the C form whatever the language: the directory's tools
  // and any printf-style formatting must not meet a decimal comma.
  std::setlocale(LC_NUMERIC, "C");
  auto* translations = new wxTranslations;
  wxTranslations::Set(translations);  // owns it
  translations->AddStdCatalog();
}

}  // namespace korvalind::ui
