#pragma once

#include "cli/arguments.h"

namespace korvalind::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a text refused or not found; a cipher run that failed
inline constexpr int kExitUsage = 2;   // bad usage, a directory or input that cannot be used

// Each command takes its parsed arguments and returns the exit status. Messages go to stderr.
int RunQuery(const Arguments& args);
int RunInfo(const Arguments& args);
int RunEncipher(const Arguments& args);
int RunDecipher(const Arguments& args);
int RunConvertAreaCodes(const Arguments& args);
int RunConvertSegments(const Arguments& args);
int RunBuild(const Arguments& args);
int RunMakeDirectory(const Arguments& args);
int RunServe(const Arguments& args);

// Prints "korvalind: " and the message on stderr.
void PrintError(const std::string& message);

}  // namespace korvalind::cli
