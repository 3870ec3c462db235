#pragma once

#include <string>

namespace korvalind::ui {

// The settings file: korvalind/korvalind.conf under $XDG_CONFIG_HOME (or $HOME/.config when
// that is unset or not absolute). Empty when neither variable gives a folder.
std::string SettingsPath(const std::string& xdgConfigHome, const std::string& home);

// Makes sure the settings file's folder exists and, when the file does not exist yet but the
// settings of earlier versions do ($HOME/.Korvalind), copies them there once. Returns the
// settings file's path, empty when there is none to use.
std::string PrepareSettingsFile(const std::string& xdgConfigHome, const std::string& home);

// Makes the settings file of the environment the program's settings store (the recent files
// and the window's position). Runs once; later calls do nothing.
void UseSettingsFile();

}  // namespace korvalind::ui
