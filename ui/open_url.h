#pragma once

#include <chrono>
#include <functional>
#include <string>

class wxWindow;

namespace korvalind::ui {

// The show command every caller passes; the desktop decides how a handler's window appears.
inline constexpr int SW_SHOW = 5;

// How long OpenUrl waits for the opener to report. An opener still running after that has
// started a handler that runs in the foreground (a browser without a session), which counts as
// opened.
inline constexpr std::chrono::milliseconds kOpenerPatience{3000};

// Opens url (a web page or a "mailto:" link) with the desktop's opener, xdg-open. When that
// fails, runs the desktop's default handler for web pages (the Exec line of the .desktop file
// that xdg-mime names for x-scheme-handler/http, else for text/html) with the url appended.
// Returns a value greater than 32 when the target was opened, otherwise the opener's failure as
// one of the shell's codes (url_command.h): the caller shows it with OpenErrorMessage.
int OpenUrl(const std::string& url, int showCmd,
            std::chrono::milliseconds patience = kOpenerPatience);

// OpenUrl on a thread of its own, so that an opener that does not return never holds up the
// window. When done is given, it gets the result on the user-interface thread, provided owner
// still exists then.
void OpenUrlInBackground(const std::string& url, wxWindow* owner = nullptr,
                         std::function<void(int)> done = {});

// From now on, results of openers still running are dropped: the application is ending.
void DropLaterOpenResults();

// The Exec line of the desktop's default handler for web pages, empty when none can be found.
std::string DefaultWebHandlerExec();

}  // namespace korvalind::ui
