#pragma once

#include "cli/arguments.h"

namespace korvalind::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a text refused or not found; a cipher run that failed
inline constexpr int kExitUsage = 2;   // bad usage, a directory or input that cannot be used
// The reader of standard output went away (128 + SIGPIPE, what a shell shows for cat or grep).
inline constexpr int kExitClosedPipe = 141;

// Each command takes its parsed arguments and returns the exit status. Messages go to stderr.
int RunQuery(const Arguments& args);
int RunInfo(const Arguments& args);
int RunEncipher(const Arguments& args);
int RunDecipher(const Arguments& args);
int RunConvertAreaCodes(const Arguments& args);
int RunConvertSegments(const Arguments& args);
int RunBuild(const Arguments& args);
int RunMakeDirectory(const Arguments& args);
int RunExport(const Arguments& args);
int RunList(const Arguments& args);
int RunDiff(const Arguments& args);
int RunImportPhoneDat(const Arguments& args);
int RunExportPhoneDat(const Arguments& args);
int RunServe(const Arguments& args);

// Prints "korvalind: " and the message on stderr.
void PrintError(const std::string& message);

// Ends the program as a pipeline's writer does when its reader has gone: quietly, by SIGPIPE.
[[noreturn]] void EndByClosedPipe();

}  // namespace korvalind::cli
