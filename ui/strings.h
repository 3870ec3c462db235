#pragma once

// The program's own texts (the string table and the fixed texts of the window code), UTF-8 as
// wxWidgets wants them. Build them into a wxString with wxString::FromUTF8, never implicitly:
// the C locale is active inside the program.

namespace korvalind::ui {

// String 57344: the application name, also the caption of every message box.
inline constexpr char kAppName[] = "Korvalind";
// String 104: the socket layer could not be started (no socket layer is started on this
// platform, so it is never shown).
inline constexpr char kSocketInitFailed[] = "Windows 通信端口初始化失败。";
// String 57345: the idle prompt of a status bar (there is none to show it).
inline constexpr char kIdlePrompt[] = "就绪";
// The document-template string 128 without its window-title field (which is configured):
// document name, new-file base name, filter name, filter extension, file-type id and name.
inline constexpr char kDocumentName[] = "";
inline constexpr char kNewFileBaseName[] = "Korval";
inline constexpr char kFilterName[] = "";
inline constexpr char kFilterExtension[] = "";
inline constexpr char kFileTypeId[] = "Korvalind.Document";
inline constexpr char kFileTypeName[] = "Korval Document";
// The document title after New.
inline constexpr char kDocumentTitle[] = "Korvalind";
// The settings store: vendor key and the number of recent files kept.
inline constexpr char kSettingsKey[] = "Local AppWizard-Generated Applications";
inline constexpr int kRecentFileCount = 4;

// The notification-area tooltip.
inline constexpr char kTrayTip[] = "手机号码查询软件";
// The item that the text entries' context menus gain: all five results as one line.
inline constexpr char kCopyResults[] = "复制结果";
// Shown when the segment conversion has run.
inline constexpr char kFinished[] = "Finished!";
// The data exchange's refusal of a text longer than its limit.
inline constexpr char kMaxCharsFormat[] = "Please enter no more than %d characters.";

// The document's own failures to save or open the chosen file: its name, then the reason.
inline constexpr char kCannotSaveFormat[] = "无法保存“%s”：%s";
inline constexpr char kCannotOpenFormat[] = "无法打开“%s”：%s";

// The hyperlink control's failure message: this prefix, then the text for the open result.
inline constexpr char kOpenErrorPrefix[] = "Unable to open hyperlink:\n\n";

// The About box.
inline constexpr char kMailPrefix[] = "E-Mail:";
inline constexpr char kMailScheme[] = "mailto:";

}  // namespace korvalind::ui
