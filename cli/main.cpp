#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cipher/rc2_paths.h"
#include "cli/command_help.h"
#include "cli/commands.h"
#include "korvalind_version.h"
#include "platform/temp_files.h"

namespace korvalind::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvalind COMMAND [OPTIONS] [OPERANDS]\n"
    "\n"
    "Where was a mainland-China mobile number issued? Answers from the local directory.\n"
    "\n"
    "commands:\n"
    "  query [--directory FILE] [--format text|tsv|json] [--encoding utf-8|gbk]\n"
    "        [--fields LIST] [--any-prefix] TEXT...\n"
    "                                    answer each TEXT (- reads texts from standard input)\n"
    "  info [--directory FILE]           the directory's path and segment count\n"
    "  encipher [SOURCE TARGET]          encipher a file (default korvalind.dat -> 11111)\n"
    "  decipher [SOURCE TARGET]          decipher a file (default 11111 -> dd.TMP)\n"
    "  convert-areacodes [--data DIR]    DIR/areacode -> DIR/zone\n"
    "  convert-segments [--data DIR]     DIR/simcard2.sql + DIR/city -> DIR/binary\n"
    "  build [--data DIR]                DIR/city, zone, binary -> plain DIR/Korvalind.dat\n"
    "  make-directory [--data DIR] --output FILE\n"
    "                                    the whole pipeline, enciphered into FILE\n"
    "  export [--directory FILE] --data DIR\n"
    "                                    the directory back into the three dumps in DIR\n"
    "  list [--directory FILE] [--province P] [--city C] [--kind K] [--count]\n"
    "       [--format tsv|json] [--encoding utf-8|gbk]\n"
    "                                    the segments that match, with their answers\n"
    "  diff OLD NEW [--format tsv|json] [--encoding utf-8|gbk]\n"
    "                                    the segments two directories answer differently\n"
    "  import-phone-dat FILE --data DIR  a phone.dat file into the three dumps in DIR\n"
    "  export-phone-dat [--directory FILE] --output FILE\n"
    "                                    the directory as a phone.dat file\n"
    "  serve [--directory FILE] [--listen ADDRESS:PORT] [--threads N] [--max-connections N]\n"
    "        [--idle-timeout S] [--read-timeout S] [--shutdown-grace S] [--allow-host NAME]...\n"
    "        [--expose-paths] [--access-log]\n"
    "                                    answer look-ups over HTTP (default 127.0.0.1:8080)\n"
    "                                    and a look-up page for browsers at /; requests must\n"
    "                                    name the listening address, localhost, a loopback\n"
    "                                    address or an --allow-host NAME (\"*\": any) as Host\n"
    "\n"
    "korvalind COMMAND --help describes a command.\n"
    "\n"
    "A TEXT is accepted when its first seven characters are a segment of the mobile number plan\n"
    "(130-139, 145, 147, 150-159 but 154, 1610, 162, 165-167, 170-173, 17400-17405, 175-178,\n"
    "180-193, 195-199) or of a prefix the directory holds; a segment the directory lacks is\n"
    "not-found, with its carrier.\n"
    "--any-prefix drops blanks, hyphens, dots, parentheses and a leading +86, 0086 (or 86 before\n"
    "11 digits), reads full-width digits, and looks up any 1 and six digits. Answers carry the\n"
    "carrier the plan gives the segment (a moved number keeps it); --fields LIST picks tsv\n"
    "columns: text,status,province,city,sim_type,carrier,carrier_id,service,area_code,\n"
    "post_code,kind,segment.\n"
    "The directory is --directory FILE, else $KORVALIND_DIRECTORY, else Korvalind.dat beside\n"
    "the program, else the installed copy. DIR defaults to the folder DATA beside the program.\n"
    "Outputs are written under a temporary name and renamed into place when complete.\n"
    "Exit status: 0 all found / done, 1 a text refused or not found / cipher failed, 2 usage,\n"
    "a file that cannot be used or output that cannot be written; a query, list or diff whose\n"
    "reader went away ends by SIGPIPE (141).\n";

constexpr char kExportHelp[] =
    "usage: korvalind export [--directory FILE] --data DIR\n"
    "\n"
    "Writes the directory back into the dumps city, areacode and simcard2.sql in DIR (created\n"
    "when missing; code page 936, CR LF), from which make-directory builds it again:\n"
    "  korvalind make-directory --data DIR --output Korvalind.dat\n"
    "A directory that make-directory built from dumps without repeated place names comes back\n"
    "byte for byte; any other comes back answering every segment alike. A directory whose\n"
    "names hold what the dumps cannot carry (' , or a line end) is refused, naming the first.\n"
    "Exit status: 0 written, 2 a directory that cannot be read or exported, or a write error.\n";

constexpr char kListHelp[] =
    "usage: korvalind list [--directory FILE] [--province P] [--city C] [--kind K] [--count]\n"
    "                      [--format tsv|json] [--encoding utf-8|gbk]\n"
    "\n"
    "Prints the segments of the directory that match, in segment order, one per line with its\n"
    "answer: segment, province, city, SIM card kind, area code, postal code, the kind digit and\n"
    "the number plan's carrier, carrier id and service (tsv, the default), or one JSON object\n"
    "per line. P and C are whole names, compared with the answer's province and city in the\n"
    "output encoding (--encoding; by default the\n"
    "terminal's: gbk under a GBK, GB2312 or GB18030 locale, else utf-8); K is a kind digit 0 to\n"
    "7. --count prints instead the number of matching segments per province, city and kind:\n"
    "province, city, kind, count.\n"
    "Exit status: 0 some segment matched, 1 none, 2 usage or a directory that cannot be read.\n";

constexpr char kDiffHelp[] =
    "usage: korvalind diff OLD NEW [--format tsv|json] [--encoding utf-8|gbk]\n"
    "\n"
    "Compares the answers of two directory files, segment by segment, in segment order:\n"
    "  added    SEGMENT  NEW-ANSWER        a segment only NEW answers\n"
    "  removed  SEGMENT  OLD-ANSWER        a segment only OLD answers\n"
    "  changed  SEGMENT  OLD-ANSWER  NEW-ANSWER\n"
    "An answer is province, city, SIM card kind, area code, postal code and the kind digit.\n"
    "A last line sums up: summary, added=N, removed=N, changed=N, unchanged=N. Answers are\n"
    "compared, not bytes: two directories that answer alike are equal.\n"
    "Exit status: 0 every answer the same, 1 some differ, 2 an error.\n";

constexpr char kImportPhoneDatHelp[] =
    "usage: korvalind import-phone-dat FILE --data DIR\n"
    "\n"
    "Reads the phone.dat file FILE and writes the dumps city, areacode and simcard2.sql into\n"
    "DIR (created when missing), ready for: korvalind make-directory --data DIR --output F\n"
    "Card types become kinds: China Mobile 1, China Unicom 3, China Telecom 6, China Broadnet 7;\n"
    "a virtual operator takes its host's kind. A damaged file, a name without a GBK form or one\n"
    "that the dumps cannot carry is refused with a message.\n"
    "Exit status: 0 written, 2 a file that cannot be read or used, or a write error.\n";

constexpr char kExportPhoneDatHelp[] =
    "usage: korvalind export-phone-dat [--directory FILE] --output FILE\n"
    "\n"
    "Writes every segment of the directory into a phone.dat file, version YYMM of today (UTC).\n"
    "The card type is the segment's carrier in the number plan (its virtual-operator type for\n"
    "162, 165, 167, 170x, 171); where the plan names none (1349) kinds become card types: 1 and\n"
    "2 China Mobile, 3 to 5 China Unicom, 6 China Telecom, 7 China Broadnet; kind 0 is left out.\n"
    "Exit status: 0 written, 2 a directory that cannot be read or written, or a write error.\n";

struct Command {
  const char* name;
  int (*run)(const Arguments&);
  OptionSpec options;
  const char* help;  // korvalind COMMAND --help
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"query",
       RunQuery,
       {{"directory", "format", "encoding", "fields"}, {"any-prefix"}},
       kQueryHelp},
      {"info", RunInfo, {{"directory"}, {}}, kInfoHelp},
      {"encipher", RunEncipher, {{}, {}}, kEncipherHelp},
      {"decipher", RunDecipher, {{}, {}}, kDecipherHelp},
      {"convert-areacodes", RunConvertAreaCodes, {{"data"}, {}}, kConvertAreaCodesHelp},
      {"convert-segments", RunConvertSegments, {{"data"}, {}}, kConvertSegmentsHelp},
      {"build", RunBuild, {{"data"}, {}}, kBuildHelp},
      {"make-directory", RunMakeDirectory, {{"data", "output"}, {}}, kMakeDirectoryHelp},
      {"export", RunExport, {{"directory", "data"}, {}}, kExportHelp},
      {"list",
       RunList,
       {{"directory", "province", "city", "kind", "format", "encoding"}, {"count"}},
       kListHelp},
      {"diff", RunDiff, {{"format", "encoding"}, {}}, kDiffHelp},
      {"import-phone-dat", RunImportPhoneDat, {{"data"}, {}}, kImportPhoneDatHelp},
      {"export-phone-dat", RunExportPhoneDat, {{"directory", "output"}, {}}, kExportPhoneDatHelp},
      {"serve",
       RunServe,
       {{"directory", "listen", "threads", "max-connections", "idle-timeout", "read-timeout",
         "shutdown-grace", "allow-host"},
        {"access-log", "expose-paths"}},
       kServeHelp},
  };
  return commands;
}

// Standard output is a buffered stream for everything but the query answers: a failure to
// write it (a full disk, /dev/full) is reported, a reader that has gone ends the program quietly.
int FinishStandardOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  if (errno == EPIPE) EndByClosedPipe();
  PrintError(std::string("cannot write to standard output: ") + std::strerror(errno));
  return kExitUsage;
}

int Main(int argc, char** argv) {
  // A closed pipe is seen as a failed write (EPIPE), so that the commands decide how to end;
  // the query filter then ends as SIGPIPE would have ended it.
  std::signal(SIGPIPE, SIG_IGN);
  RemoveTemporaryFilesOnSignals();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  std::string name = args.front();
  if (name == "--help" || name == "-h" || name == "help") {
    std::fputs(kUsage, stdout);
    return FinishStandardOutput(kExitOk);
  }
  if (name == "--version") {
    // The RC2 path sets the cipher's speed: a measured figure names it beside the version.
    std::printf("korvalind " KORVALIND_VERSION_STRING "\nRC2 path: %s\n",
                std::string(Rc2PathName(Rc2ActivePath())).c_str());
    return FinishStandardOutput(kExitOk);
  }
  for (const Command& command : Commands()) {
    if (name != command.name) continue;
    Arguments parsed;
    parsed.command = name;
    std::string error;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
      if (arg == "--") break;
      if (arg == "--help" || arg == "-h") {
        std::fputs(command.help, stdout);
        return FinishStandardOutput(kExitOk);
      }
    }
    if (!ParseArguments(rest, command.options, &parsed, &error)) {
      PrintError(error);
      return kExitUsage;
    }
    return FinishStandardOutput(command.run(parsed));
  }
  PrintError("unknown command \"" + name + "\" (try korvalind --help)");
  return kExitUsage;
}

}  // namespace
}  // namespace korvalind::cli

int main(int argc, char** argv) { return korvalind::cli::Main(argc, argv); }
