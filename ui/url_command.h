#pragma once

#include <string>
#include <string_view>
#include <vector>

// The pure parts of opening a URL: how the opener's outcome maps to the shell's result codes,
// and how the fallback command is built from the desktop's default web-page handler.

namespace korvalind::ui {

// The shell's result codes that OpenUrl returns; a value greater than 32 means opened.
inline constexpr int kOpenedCode = 42;
inline constexpr int kFileNotFoundCode = 2;
inline constexpr int kPathNotFoundCode = 3;
inline constexpr int kAccessDeniedCode = 5;
inline constexpr int kOutOfMemoryCode = 8;
inline constexpr int kBadFormatCode = 11;
inline constexpr int kAssociationIncompleteCode = 27;
inline constexpr int kNoAssociationCode = 31;
inline constexpr int kOutOfResourcesCode = 0;

// The code for a program that could not be started (errno of the failed spawn): missing
// program 2, not executable 5, no memory 8, not a program 11, out of processes or files 0.
int CodeForSpawnError(int error);

// The code for the exit status of xdg-open: 0 opened, 2 (the file does not exist) 2, 3 (no
// tool to open it with, so no handler for its scheme) 31, 1 and 4 (bad arguments, the handler
// failed) 27. A signal or any other status gives 27 too.
int CodeForOpenerExit(int exitStatus);

// The command cut at its placeholder: the first "\"%1\"" if any, else the first "%1", else the
// first of %u, %U, %f, %F (each looked for in that order); the placeholder and everything after
// it are dropped. Without a placeholder the whole command stays.
std::string CutAtPlaceholder(std::string_view command);

// CutAtPlaceholder(command) + " " + url: the fallback's command line as text.
std::string BuildFallbackCommand(std::string_view command, std::string_view url);

// The arguments of a desktop-entry Exec value: split at unquoted blanks, double quotes removed
// with their \" \` \$ \\ escapes resolved, "%%" made "%" and the field codes (%i, %c, %k, ...)
// dropped. Malformed quoting (an unterminated quote) gives no arguments at all.
std::vector<std::string> SplitExecLine(std::string_view exec);

// The fallback's program and arguments: SplitExecLine of the cut command, then url as one more
// argument of its own (never re-split or given to a shell). Empty when no program remains.
std::vector<std::string> FallbackArguments(std::string_view command, std::string_view url);

// The Exec value of the [Desktop Entry] group of a .desktop file's text, with the file's string
// escapes (\s \n \t \r \\) resolved; empty when there is none.
std::string DesktopEntryExec(std::string_view desktopFile);

// Where a desktop id such as "firefox-esr.desktop" may lie: "<dir>/applications/<id>" for each
// data folder in order and, for an id with "-", also with its first "-" read as a sub-folder.
std::vector<std::string> DesktopFileCandidates(std::string_view desktopId,
                                               const std::vector<std::string>& dataFolders);

// The data folders of the XDG base directory rules: dataHome (or home + "/.local/share" when
// dataHome is empty), then the ":"-separated dataDirs (or "/usr/local/share:/usr/share").
std::vector<std::string> XdgDataFolders(std::string_view dataHome, std::string_view home,
                                        std::string_view dataDirs);

}  // namespace korvalind::ui
