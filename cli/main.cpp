#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace korvalind::cli {
namespace {

constexpr char kUsage[] =
    "usage: korvalind COMMAND [OPTIONS] [OPERANDS]\n"
    "\n"
    "Where was a mainland-China mobile number issued? Answers from the local directory.\n"
    "\n"
    "commands:\n"
    "  query [--directory FILE] [--format text|tsv|json] [--encoding utf-8|gbk]\n"
    "        [--any-prefix] TEXT...      answer each TEXT (- reads texts from standard input)\n"
    "  info [--directory FILE]           the directory's path and segment count\n"
    "  encipher [SOURCE TARGET]          encipher a file (default korvalind.dat -> 11111)\n"
    "  decipher [SOURCE TARGET]          decipher a file (default 11111 -> dd.TMP)\n"
    "  convert-areacodes [--data DIR]    DIR/areacode -> DIR/zone\n"
    "  convert-segments [--data DIR]     DIR/simcard2.sql + DIR/city -> DIR/binary\n"
    "  build [--data DIR]                DIR/city, zone, binary -> plain DIR/Korvalind.dat\n"
    "  make-directory [--data DIR] --output FILE\n"
    "                                    the whole pipeline, enciphered into FILE\n"
    "  serve [--directory FILE] [--listen ADDRESS:PORT] [--threads N] [--max-connections N]\n"
    "        [--idle-timeout S] [--read-timeout S] [--access-log]\n"
    "                                    answer look-ups over HTTP (default 127.0.0.1:8080)\n"
    "                                    and a look-up page for browsers at /\n"
    "\n"
    "A TEXT is accepted when its first seven characters are a segment of a prefix the directory\n"
    "holds (13x but 132 and 134 always; 18600001234 with the bundled directory); --any-prefix\n"
    "also drops +86, 0086, blanks and hyphens and looks up any 1 and six digits.\n"
    "The directory is --directory FILE, else $KORVALIND_DIRECTORY, else Korvalind.dat beside\n"
    "the program, else the installed copy. DIR defaults to the folder DATA beside the program.\n"
    "Exit status: 0 all found / done, 1 a text refused or not found / cipher failed, 2 usage\n"
    "or a file that cannot be used.\n";

struct Command {
  const char* name;
  int (*run)(const Arguments&);
  OptionSpec options;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"query", RunQuery, {{"directory", "format", "encoding"}, {"any-prefix"}}},
      {"info", RunInfo, {{"directory"}, {}}},
      {"encipher", RunEncipher, {{}, {}}},
      {"decipher", RunDecipher, {{}, {}}},
      {"convert-areacodes", RunConvertAreaCodes, {{"data"}, {}}},
      {"convert-segments", RunConvertSegments, {{"data"}, {}}},
      {"build", RunBuild, {{"data"}, {}}},
      {"make-directory", RunMakeDirectory, {{"data", "output"}, {}}},
      {"serve",
       RunServe,
       {{"directory", "listen", "threads", "max-connections", "idle-timeout", "read-timeout"},
        {"access-log"}}},
  };
  return commands;
}

int Main(int argc, char** argv) {
  // A closed pipe is reported as a failed write, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  std::string name = args.front();
  if (name == "--help" || name == "-h" || name == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (name == "--version") {
    std::puts("korvalind 1.0.0.1");
    return kExitOk;
  }
  for (const Command& command : Commands()) {
    if (name != command.name) continue;
    Arguments parsed;
    parsed.command = name;
    std::string error;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (!ParseArguments(rest, command.options, &parsed, &error)) {
      PrintError(error);
      return kExitUsage;
    }
    return command.run(parsed);
  }
  PrintError("unknown command \"" + name + "\" (try korvalind --help)");
  return kExitUsage;
}

}  // namespace
}  // namespace korvalind::cli

int main(int argc, char** argv) { return korvalind::cli::Main(argc, argv); }
