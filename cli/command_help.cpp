#include "cli/command_help.h"

namespace korvalind::cli {

const char kQueryHelp[] =
    "usage: korvalind query [--directory FILE] [--format text|tsv|json] [--encoding utf-8|gbk]\n"
    "                       [--fields LIST] [--any-prefix] TEXT...\n"
    "\n"
    "Answers each TEXT with the province, city, SIM card kind, carrier, area code and postal code\n"
    "of its segment (its first seven digits). A TEXT of - reads one text per line from standard\n"
    "input and answers each as it comes. A TEXT is accepted when its segment is one of the mobile\n"
    "number plan or of a prefix the directory holds; a segment the directory lacks is not-found,\n"
    "with its carrier. --any-prefix drops blanks, hyphens, dots, parentheses and a leading +86,\n"
    "0086 (or 86 before 11 digits), reads full-width digits, and looks up any 1 and six digits.\n"
    "--fields LIST picks tsv columns: text,status,province,city,sim_type,carrier,carrier_id,\n"
    "service,area_code,post_code,kind,segment. --encoding is that of the output (by default the\n"
    "terminal's: gbk under a GBK, GB2312 or GB18030 locale, else utf-8).\n"
    "Exit status: 0 every text found, 1 a text refused or not found, 2 usage or a directory\n"
    "that cannot be read.\n";

const char kInfoHelp[] =
    "usage: korvalind info [--directory FILE]\n"
    "\n"
    "Prints the path of the directory in use and its segment count line.\n"
    "Exit status: 0 read, 2 a directory that cannot be read.\n";

const char kEncipherHelp[] =
    "usage: korvalind encipher [SOURCE TARGET]\n"
    "\n"
    "Enciphers SOURCE into TARGET with the directory key (default korvalind.dat -> 11111 in the\n"
    "current folder).\n"
    "Exit status: 0 written, 1 the cipher failed (the reason is printed), 2 usage.\n";

const char kDecipherHelp[] =
    "usage: korvalind decipher [SOURCE TARGET]\n"
    "\n"
    "Deciphers SOURCE into TARGET with the directory key (default 11111 -> dd.TMP in the\n"
    "current folder).\n"
    "Exit status: 0 written, 1 the cipher failed (the reason is printed), 2 usage.\n";

const char kConvertAreaCodesHelp[] =
    "usage: korvalind convert-areacodes [--data DIR]\n"
    "\n"
    "Converts the area-code dump DIR/areacode into the zone file DIR/zone. DIR defaults to the\n"
    "folder DATA beside the program.\n"
    "Exit status: 0 written, 2 a dump that cannot be read or a write error.\n";

const char kConvertSegmentsHelp[] =
    "usage: korvalind convert-segments [--data DIR]\n"
    "\n"
    "Converts the segment dump DIR/simcard2.sql, with the place names of DIR/city, into the\n"
    "record file DIR/binary. DIR defaults to the folder DATA beside the program.\n"
    "Exit status: 0 written, 2 a dump that cannot be read or a write error.\n";

const char kBuildHelp[] =
    "usage: korvalind build [--data DIR]\n"
    "\n"
    "Writes the plain directory DIR/Korvalind.dat from DIR/city, DIR/zone and DIR/binary (run\n"
    "convert-areacodes and convert-segments first). DIR defaults to the folder DATA beside the\n"
    "program.\n"
    "Exit status: 0 written, 2 an input that cannot be read or a write error.\n";

const char kMakeDirectoryHelp[] =
    "usage: korvalind make-directory [--data DIR] --output FILE\n"
    "\n"
    "Runs the whole maintainer pipeline on the dumps in DIR (areacode, city, simcard2.sql) and\n"
    "writes the enciphered directory FILE, ready for --directory. DIR defaults to the folder\n"
    "DATA beside the program.\n"
    "Exit status: 0 written, 2 a dump that cannot be read or a write error.\n";

const char kServeHelp[] =
    "usage: korvalind serve [--directory FILE] [--listen ADDRESS:PORT] [--threads N]\n"
    "                       [--max-connections N] [--idle-timeout S] [--read-timeout S]\n"
    "                       [--shutdown-grace S] [--allow-host NAME]... [--expose-paths]\n"
    "                       [--access-log]\n"
    "\n"
    "Answers look-ups over HTTP (GET /v1/lookup/TEXT; POST /v1/lookup with one text a line or\n"
    "a JSON array of texts; /v1/info, /healthz, /metrics) and serves a look-up page for\n"
    "browsers at /. --listen is\n"
    "127.0.0.1:8080 by default; port 0 picks a free one, which the first log line names.\n"
    "SIGHUP, or the directory file being replaced, loads the directory again. SIGTERM or SIGINT\n"
    "stops: running requests get --shutdown-grace seconds (default 5) to finish; a second one\n"
    "stops at once. Requests must name as Host the listening address, localhost, a loopback\n"
    "address or an --allow-host NAME (\"*\": any); /v1/info names the directory file alone\n"
    "unless --expose-paths. Events, and with --access-log every request, are logged to\n"
    "standard error.\n"
    "Exit status: 0 after a clean stop, 2 usage, a directory that cannot be read or an address\n"
    "that cannot be used.\n";

}  // namespace korvalind::cli
