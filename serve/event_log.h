#pragma once

namespace korvalind::serve {

// Writes "korvalind serve: " and the formatted text as one line to standard error, whole even
// when several threads log at once.
void LogEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace korvalind::serve
