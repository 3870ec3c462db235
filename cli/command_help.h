#pragma once

namespace korvalind::cli {

// What korvalind COMMAND --help prints for the commands of every build: the look-ups, the cipher
// and the maintainer pipeline, and the service.
extern const char kQueryHelp[];
extern const char kInfoHelp[];
extern const char kEncipherHelp[];
extern const char kDecipherHelp[];
extern const char kConvertAreaCodesHelp[];
extern const char kConvertSegmentsHelp[];
extern const char kBuildHelp[];
extern const char kMakeDirectoryHelp[];
extern const char kServeHelp[];

}  // namespace korvalind::cli
