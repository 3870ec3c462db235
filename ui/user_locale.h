#pragma once

namespace korvalind::ui {

// Takes up the user's locale from the environment for everything the toolkit shows (its own
// buttons and menus through the wxstd catalogue, the GTK dialogs through GTK's), while numbers
// keep the C locale's form. Runs once; later calls do nothing.
void UseUserLocale();

}  // namespace korvalind::ui
