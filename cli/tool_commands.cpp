#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "platform/paths.h"
#include "tools/area_code_conversion.h"
#include "tools/directory_builder.h"
#include "tools/segment_conversion.h"

namespace korvalind::cli {
namespace {

// --data DIR, else DATA beside the program; when neither is known, says so and returns false.
bool DataDir(const Arguments& args, std::string* dir) {
  std::optional<std::string> chosen = args.Value("data");
  if (!chosen) chosen = DataFolder();
  if (!chosen) {
    PrintError(
        "the program's own folder cannot be found, so there is no default data folder: "
        "give --data DIR");
    return false;
  }
  *dir = *chosen;
  return true;
}

// Rows converted so far, on one rewritten line, only when a person is watching.
ProgressCallback TerminalProgress() {
  if (::isatty(STDERR_FILENO) == 0) return nullptr;
  return [](const ConversionProgress& progress) {
    std::fprintf(stderr, "\rrows converted: %zu", progress.rows);
    if (progress.bytesDone >= progress.bytesTotal) std::fputc('\n', stderr);
    std::fflush(stderr);
  };
}

int Report(const Status& status) {
  if (status.ok()) return kExitOk;
  PrintError(status.message());
  return kExitUsage;
}

}  // namespace

int RunConvertAreaCodes(const Arguments& args) {
  std::string data;
  if (!DataDir(args, &data)) return kExitUsage;
  AreaCodeStats stats;
  Status status = ConvertAreaCodes(data, &stats);
  if (status.ok()) std::fprintf(stderr, "zones: %zu\n", stats.zones);
  return Report(status);
}

int RunConvertSegments(const Arguments& args) {
  std::string data;
  if (!DataDir(args, &data)) return kExitUsage;
  SegmentStats stats;
  Status status = ConvertSegments(data, TerminalProgress(), &stats);
  if (!status.ok()) return Report(status);
  std::fprintf(stderr, "rows: %zu, new cities: %zu, places: %zu\n", stats.rows, stats.newCities,
               stats.places);
  std::puts("Finished!");
  return kExitOk;
}

int RunBuild(const Arguments& args) {
  std::string data;
  if (!DataDir(args, &data)) return kExitUsage;
  ImageStats stats;
  Status status = BuildDirectory(data, &stats);
  if (status.ok()) {
    std::fprintf(stderr, "places: %zu, zones: %zu (+%zu empty), records: %zu, size: %llu bytes\n",
                 stats.places, stats.zones, stats.zonePadding, stats.records,
                 static_cast<unsigned long long>(stats.plainSize));
  }
  return Report(status);
}

int RunMakeDirectory(const Arguments& args) {
  std::optional<std::string> output = args.Value("output");
  if (!output || output->empty()) {
    PrintError("make-directory needs --output FILE");
    return kExitUsage;
  }
  std::string data;
  if (!DataDir(args, &data)) return kExitUsage;
  MakeDirectoryStats stats;
  Status status = MakeDirectory(data, *output, TerminalProgress(), &stats);
  if (!status.ok()) return Report(status);
  std::fprintf(stderr,
               "rows: %zu, places: %zu, new cities: %zu, zones: %zu (+%zu empty), records: %zu, "
               "output: %s (%llu bytes)\n",
               stats.rows, stats.places, stats.newCities, stats.zones, stats.zonePadding,
               stats.records, output->c_str(), static_cast<unsigned long long>(stats.outputSize));
  return kExitOk;
}

}  // namespace korvalind::cli
