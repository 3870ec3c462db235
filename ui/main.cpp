#include "ui/korvalind_app.h"

wxIMPLEMENT_APP(korvalind::ui::CKorvalindApp);
