// Arbitrary standard input through `korvalind query ... -`, the streaming filter, in process.
// Byte 0 of the input picks the format, the encoding, --any-prefix and whether the first line
// is also given as an operand; the rest is standard input. A small directory with awkward but
// valid entries (a name of the longest length, control bytes and a rare two-byte character in
// names, a zone without an area code, a record without a city, a place index past the last
// place, kinds without a label) is written once. Every answer must be one line in tsv and json,
// the output valid UTF-8 unless gbk was asked for, and the exit status 0 or 1 as the answers say.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cipher/file_cipher.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "fuzz/fuzz_support.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/paths.h"

namespace korvalind::fuzz {
namespace {

std::string Record(unsigned kind, unsigned key0, unsigned key1, unsigned key2, unsigned city,
                   unsigned province) {
  const unsigned char bytes[8] = {
      static_cast<unsigned char>(kind << 5), static_cast<unsigned char>(key0),
      static_cast<unsigned char>(key1),      static_cast<unsigned char>(key2),
      static_cast<unsigned char>(city),      static_cast<unsigned char>(city >> 8),
      static_cast<unsigned char>(province),  static_cast<unsigned char>(province >> 8)};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string SmallDirectory(const std::string& folder) {
  const std::string hebei = "\xba\xd3\xb1\xb1";                 // 河北
  const std::string shijiazhuang = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
  const std::string long_name(63, 'L');
  const std::string odd = "\x1b[31m\x7f\x81\x40";
  const std::vector<std::string> places = {hebei, shijiazhuang, long_name, odd, ""};
  const std::vector<std::string> zones = {hebei + "," + shijiazhuang + ":050000,0311",
                                          hebei + ",:050000,", odd + "," + odd + ":\x81\x40,"};
  std::string records = Record(1, 0x39, 0x01, 0x23, 2, 1) + Record(5, 0x30, 0x00, 0x00, 0, 1) +
                        Record(7, 0x59, 0x01, 0x23, 3, 4) + Record(0, 0x38, 0x88, 0x88, 4, 4) +
                        Record(2, 0x39, 0x01, 0x23, 1, 1) + Record(6, 0x31, 0x00, 0x00, 900, 0);
  // Laid out by hand: places, zones, records, trailer, with the zone table padded by empty
  // entries so that the image is 2 bytes past a multiple of 8, the length the loader reads.
  std::string image;
  for (const std::string& place : places) image += place + "|";
  const std::uint32_t place_end = static_cast<std::uint32_t>(image.size());
  for (const std::string& zone : zones) image += zone + "|";
  while (image.size() % 8 != 6) image += "|";
  const std::uint32_t zone_end = static_cast<std::uint32_t>(image.size());
  image += records;
  const std::uint32_t records_end = static_cast<std::uint32_t>(image.size());
  for (std::uint32_t word : {place_end, zone_end, records_end}) {
    for (int shift = 0; shift < 32; shift += 8) image += static_cast<char>(word >> shift);
  }
  const std::string path = JoinPath(folder, "Korvalind.dat");
  WriteScratchFile(path, EncipherBytes(image, CipherKey));
  return path;
}

size_t LineCount(std::string_view text) {
  size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  return lines + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

std::string ReadBack(int fd) {
  std::string bytes;
  char buffer[1 << 14];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

// In-memory files that stand in for standard input and output.
struct Streams {
  int in = -1;
  int out = -1;
};

Streams Setup() {
  Streams streams;
  streams.in = ::memfd_create("stdin", 0);
  streams.out = ::memfd_create("stdout", 0);
  Require(streams.in >= 0 && streams.out >= 0, "memfd_create");
  Require(::dup2(streams.in, STDIN_FILENO) == STDIN_FILENO, "dup2 stdin");
  Require(::dup2(streams.out, STDOUT_FILENO) == STDOUT_FILENO, "dup2 stdout");
  // Error messages go nowhere, unless libFuzzer kept standard error open (-close_fd_mask=2).
  if (::fcntl(STDERR_FILENO, F_GETFD) < 0) {
    int null = ::open("/dev/null", O_WRONLY);
    Require(null >= 0 && ::dup2(null, STDERR_FILENO) == STDERR_FILENO, "dup2 stderr");
  }
  return streams;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string directory = SmallDirectory(ScratchFolder());
  static const Streams streams = Setup();
  if (size == 0) return 0;
  const unsigned settings = data[0];
  std::string_view input = AsText(data + 1, size - 1);

  Require(::ftruncate(streams.in, 0) == 0 && ::ftruncate(streams.out, 0) == 0, "ftruncate");
  Require(::pwrite(streams.in, input.data(), input.size(), 0) == static_cast<ssize_t>(input.size()),
          "pwrite");
  ::lseek(streams.in, 0, SEEK_SET);
  ::lseek(streams.out, 0, SEEK_SET);

  const char* const formats[] = {"text", "tsv", "json", "tsv"};
  const std::string format = formats[settings & 3];
  const bool gbk = (settings & 4) != 0;
  cli::Arguments args;
  args.command = "query";
  args.values = {{"directory", directory}, {"format", format}, {"encoding", gbk ? "gbk" : "utf-8"}};
  if ((settings & 8) != 0) args.flags.insert("any-prefix");
  size_t texts = LineCount(input);
  if ((settings & 16) != 0) {
    // An operand cannot hold a NUL or a line end; "-" would be standard input once more.
    std::string operand(input.substr(0, input.find_first_of(std::string_view("\0\n", 2))));
    if (operand != "-") {
      args.operands.push_back(operand);
      ++texts;
    }
  }
  args.operands.push_back("-");

  int status = cli::RunQuery(args);
  std::string out = ReadBack(streams.out);
  Require(status == cli::kExitOk || status == cli::kExitFailed, "query failed as a whole");
  if (!gbk) Require(ValidUtf8(out) == out, "output is not valid UTF-8");
  if (format == "text") return 0;
  Require(LineCount(out) == texts, "not one answer line per text");
  bool all_found = true;
  LineCursor lines(out);
  for (std::string_view line; lines.Next(&line);) {
    if (format == "tsv") {
      Require(std::count(line.begin(), line.end(), '\t') == 6, "a tsv line without 7 fields");
      all_found &= line.find("\tok\t") != std::string_view::npos;
    } else {
      Require(line.substr(0, 9) == "{\"text\":\"" && line.back() == '}', "not a json object");
      all_found &= line.find("\",\"status\":\"ok\",") != std::string_view::npos;
    }
  }
  Require((status == cli::kExitOk) == all_found, "exit status and answers disagree");
  return 0;
}

}  // namespace korvalind::fuzz
