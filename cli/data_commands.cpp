#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/directory_choice.h"
#include "platform/file_io.h"
#include "tools/data_folder.h"
#include "tools/directory_export.h"
#include "tools/phone_dat.h"
#include "tools/phone_dat_conversion.h"

namespace korvalind::cli {
namespace {

int Report(const Status& status) {
  if (status.ok()) return kExitOk;
  PrintError(status.message());
  return kExitUsage;
}

// --data DIR; empty after printing why when there is none.
std::string DataFolderArgument(const Arguments& args, const char* command) {
  std::optional<std::string> folder = args.Value("data");
  if (!folder || folder->empty()) {
    PrintError(std::string(command) + " needs --data DIR");
    return {};
  }
  return *folder;
}

// Creates folder when missing, then writes the dumps into it.
Status WriteDumps(const std::string& folder, const DumpTexts& texts) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    return Status::IoError("cannot create the folder \"" + folder + "\": " + error.message());
  }
  return WriteDumpFiles(folder, texts);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

// The year and month of now, "YYMM", as phone.dat versions are written.
std::string CurrentVersion() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char version[32];
  std::snprintf(version, sizeof version, "%02d%02d", utc.tm_year % 100, utc.tm_mon + 1);
  return version;
}

}  // namespace

int RunExport(const Arguments& args) {
  if (!args.operands.empty()) {
    PrintError("export takes no operands (\"" + args.operands.front() + "\")");
    return kExitUsage;
  }
  const std::string folder = DataFolderArgument(args, "export");
  if (folder.empty()) return kExitUsage;
  DirectoryImage image;
  if (!LoadChosenDirectory(args, &image, IndexPolicy::kSkip)) return kExitUsage;
  DumpTexts texts;
  Status status = ExportDumps(image, &texts);
  if (!status.ok()) {
    return Report(Status::InvalidArgument("directory file \"" + ChosenDirectoryPath(args) +
                                          "\" cannot be exported: " + status.message()));
  }
  status = WriteDumps(folder, texts);
  if (status.ok())
    std::fprintf(stderr, "wrote city, areacode and simcard2.sql into %s\n", folder.c_str());
  return Report(status);
}

int RunImportPhoneDat(const Arguments& args) {
  if (args.operands.size() != 1) {
    PrintError("import-phone-dat needs one FILE");
    return kExitUsage;
  }
  const std::string& path = args.operands.front();
  const std::string folder = DataFolderArgument(args, "import-phone-dat");
  if (folder.empty()) return kExitUsage;
  std::string bytes;
  Status status = ReadInputFile(path, &bytes);
  PhoneDat dat;
  if (status.ok()) status = ParsePhoneDat(bytes, path, &dat);
  DumpTexts texts;
  PhoneDatImportStats stats;
  if (status.ok()) status = ImportPhoneDat(dat, path, &texts, &stats);
  if (status.ok()) status = WriteDumps(folder, texts);
  if (status.ok()) {
    std::fprintf(stderr,
                 "version %s: %zu segments, %zu places, %zu zones written into %s\n"
                 "next: korvalind make-directory --data %s --output Korvalind.dat\n",
                 dat.version.c_str(), stats.segments, stats.places, stats.zones, folder.c_str(),
                 folder.c_str());
  }
  return Report(status);
}

int RunExportPhoneDat(const Arguments& args) {
  if (!args.operands.empty()) {
    PrintError("export-phone-dat takes no operands (\"" + args.operands.front() + "\")");
    return kExitUsage;
  }
  std::optional<std::string> output = args.Value("output");
  if (!output || output->empty()) {
    PrintError("export-phone-dat needs --output FILE");
    return kExitUsage;
  }
  if (SameFile(*output, ChosenDirectoryPath(args))) {
    PrintError("output \"" + *output + "\" is the directory file itself");
    return kExitUsage;
  }
  DirectoryImage image;
  if (!LoadChosenDirectory(args, &image, IndexPolicy::kSkip)) return kExitUsage;
  PhoneDat dat;
  PhoneDatExportStats stats;
  Status status = ExportPhoneDat(image, CurrentVersion(), &dat, &stats);
  std::string bytes;
  if (status.ok()) status = SerializePhoneDat(dat, &bytes);
  // Read back as import-phone-dat reads it, so that no file is written that the import refuses
  // (a name with "," or ":" or a control byte, which a directory can hold but not bring back).
  if (status.ok()) {
    PhoneDat again;
    DumpTexts texts;
    status = ParsePhoneDat(bytes, *output, &again);
    if (status.ok()) status = ImportPhoneDat(again, *output, &texts);
  }
  if (!status.ok()) {
    return Report(
        Status::InvalidArgument("directory file \"" + ChosenDirectoryPath(args) +
                                "\" cannot be written as phone.dat: " + status.message()));
  }
  AtomicFile file;
  status = file.Open(*output);
  if (status.ok()) {
    file.Write(bytes);
    status = file.Commit();
  }
  if (status.ok()) {
    std::fprintf(stderr, "version %s: %zu segments (%zu of kind 0 left out), %zu records in %s\n",
                 dat.version.c_str(), stats.segments, stats.leftOut, stats.records,
                 output->c_str());
  }
  return Report(status);
}

}  // namespace korvalind::cli
