// Directories that break an invariant of their tables, refused alike by the loader, the command
// line and the library; and unusual directories that keep the format, which all three accept.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cipher/file_cipher.h"
#include "directory/loader.h"
#include "directory/test_images.h"
#include "korvalind/korvalind.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::Record;
using testing::TempDir;

// A plain image from its two tables as raw bytes (terminators included) and its records.
std::string RawImage(const std::string& places, const std::string& zones,
                     const std::string& records) {
  std::string image = places + zones + records;
  for (size_t end : {places.size(), places.size() + zones.size(), image.size()}) {
    for (int i = 0; i < 4; ++i) image.push_back(static_cast<char>((end >> (8 * i)) & 0xFF));
  }
  return image;
}

struct Outcome {
  Status load;
  int exit_code;
  std::string err;
  korvalind_status library;
  std::string library_message;
};

// plain enciphered into a file, then opened by the three readers.
Outcome OpenEverywhere(const TempDir& dir, const std::string& plain) {
  const std::string path = dir.File("dir.dat");
  const std::string enciphered = EncipherBytes(plain, CipherKey);
  testing::WriteFile(path, enciphered);
  Outcome outcome;
  DirectoryImage image;
  outcome.load = LoadDirectory(path, &image);
  testing::ProcessResult run = testing::RunProcess(KORVALIND_BINARY, {"info", "--directory", path});
  outcome.exit_code = run.exitCode;
  outcome.err = run.err;
  korvalind_directory* directory = nullptr;
  korvalind_error error{};
  outcome.library =
      korvalind_open_bytes(enciphered.data(), enciphered.size(), path.c_str(), &directory, &error);
  outcome.library_message = error.message;
  korvalind_close(directory);
  return outcome;
}

TEST(DamagedDirectory, EachBrokenInvariantIsRefusedByEveryReader) {
  const std::string record = Record(1, "390123", 2, 1);
  const std::string long_name(64, 'a');
  struct Case {
    std::string places, zones, why;
  };
  const Case cases[] = {
      {"a|b", "a,b:1,2|", "the place table ends in the middle of an entry (at offset 2,"},
      {"a|b|", "a,b:1,2|a,b:1", "the zone table ends in the middle of an entry (at offset 12,"},
      {std::string("a|b\0c|", 6), "", "place entry 2 at offset 2 holds a zero byte"},
      {"a|" + long_name + "|", "", "place entry 2 at offset 2 is 64 bytes long, more than 63"},
      {"a|\xba|", "", "place entry 2 at offset 2 is not code page 936 text"},
      {"a|", "|a,b:1,2|\x81\x30,b:1,2|", "zone entry 3 at offset 11 is not code page 936"},
      {"a|", "a,b:1,2||a,b|", "zone entry 3 at offset 11 is not province,city:postcode,areacode"},
      {"a|", "a,b:1:2,3|", "zone entry 1 at offset 2 is not province,city:postcode,areacode"},
      {"a|", "a,b,c:1,2|", "zone entry 1 at offset 2 is not province,city:postcode,areacode"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = OpenEverywhere(dir, RawImage(c.places, c.zones, record));
    const std::string expected =
        "directory file \"" + dir.File("dir.dat") + "\" is damaged: " + c.why;
    EXPECT_EQ(outcome.load.code(), Status::Code::kCorruption);
    EXPECT_EQ(outcome.load.message().substr(0, expected.size()), expected);
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_NE(outcome.err.find(expected), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.library, KORVALIND_DAMAGED);
    EXPECT_EQ(outcome.library_message.substr(0, expected.size()), expected);
  }
}

TEST(DamagedDirectory, UnusualButValidDirectoriesStillLoad) {
  const std::string hebei(testing::kHebei);
  struct Case {
    const char* what;
    std::string places, zones, records;
  };
  const Case cases[] = {
      {"no tables at all", "", "", Record(1, "390123", 1, 2)},
      {"empty entries in both tables", "||" + hebei + "||", "||" + hebei + ",:1,2|||", ""},
      {"empty parts of a zone entry", "a|", ",:,|a,b:,|", Record(0, "390123", 0, 0)},
      {"indexes past the places", "a|", "", Record(7, "390123", 9, 65535)},
      {"repeated and non-decimal keys", "a|a|", "a,a:1,2|a,a:1,2|",
       Record(2, "390123", 1, 2) + Record(3, "390123", 2, 1) +
           std::string("\x20\xab\xcd\xef\x01\x00\x01\x00", 8)},
      {"control bytes and a 63-byte name", "\x1b[31m|" + std::string(63, 'x') + "|", "", ""},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = OpenEverywhere(dir, RawImage(c.places, c.zones, c.records));
    EXPECT_TRUE(outcome.load.ok()) << outcome.load.message();
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.library, KORVALIND_OK) << outcome.library_message;
  }
}

// Before, a size that no allocation can hold threw std::length_error out of the C interface.
TEST(DamagedDirectory, ImpossibleSizesAreRefusedBeforeACopy) {
  const char byte = 0;
  for (size_t size : {size_t{1} << 63, ~size_t{0}, size_t{kMaxDirectoryFileSize + 1}}) {
    korvalind_directory* directory = nullptr;
    korvalind_error error{};
    EXPECT_EQ(korvalind_open_bytes(&byte, size, "huge", &directory, &error), KORVALIND_DAMAGED);
    EXPECT_EQ(directory, nullptr);
    EXPECT_NE(std::strstr(error.message, "is more than a directory can hold"), nullptr)
        << error.message;
  }
}

}  // namespace
}  // namespace korvalind
