#include "directory/loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cipher/file_cipher.h"
#include "directory/query.h"
#include "directory/test_images.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::TempDir;
using testing::WorkedImage;
using testing::WriteFile;

std::string Enciphered(std::string_view plain) { return EncipherBytes(plain, CipherKey); }

void SetU32(std::string* bytes, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(LoadDirectory, WorkedImageEndToEnd) {
  TempDir dir;
  std::string path = dir.File("Korvalind.dat");
  std::string enciphered = Enciphered(WorkedImage());
  ASSERT_EQ(enciphered.size(), 64u);
  WriteFile(path, enciphered);

  DirectoryImage image;
  Status status = LoadDirectory(path, &image);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(image.placeTableEnd, 12u);
  EXPECT_EQ(image.zoneTableEnd, 38u);
  EXPECT_EQ(image.recordsEnd, 46u);
  EXPECT_EQ(std::string(image.data.begin(), image.data.end()), WorkedImage().substr(0, 46));
  EXPECT_EQ(CountLine(image),
            "\xca\xd6\xbb\xfa\xba\xc5\xc2\xeb\xb6\xce\xb9\xb2\xbc\xc6:1 [2002-11-08]");
  EXPECT_EQ(QueryNumber(image, "1390123").areaCode, "0311");
  EXPECT_EQ(QueryNumber(image, "1390124").outcome, QueryAnswer::Outcome::kNotFound);

  // Nothing is written beside the directory (no plain copy), and a second load is the same.
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++files;
  }
  EXPECT_EQ(files, 1u);
  DirectoryImage again;
  ASSERT_TRUE(LoadDirectory(path, &again).ok());
  EXPECT_EQ(again.data, image.data);
}

TEST(LoadDirectory, OtherFillLengthsAreAccepted) {
  // Images of every length: a stored directory has 6 fill bytes, but an image the older builder
  // wrote without padding (56 bytes, 8 fill bytes) must load too.
  for (size_t padding = 0; padding < 8; ++padding) {
    std::vector<std::string> zones = {"a,b:1,2"};
    for (size_t i = 0; i < padding; ++i) zones.push_back("");
    std::string plain = testing::LayOutImage({"a", "b"}, zones, testing::Record(1, "390123", 2, 1));
    DirectoryImage image;
    Status status = ParseDeciphered(
        [&] {
          std::string d;
          EXPECT_TRUE(DecipherBytes(Enciphered(plain), CipherKey, &d));
          return d;
        }(),
        "x", &image);
    ASSERT_TRUE(status.ok()) << "padding " << padding << ": " << status.message();
    EXPECT_EQ(QueryNumber(image, "1390123").areaCode, "2") << padding;
  }
}

TEST(ParseDeciphered, RejectsBrokenTrailers) {
  const std::string good = WorkedImage() + std::string(6, '\0');  // 64 bytes, as deciphered
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", ""});
  cases.push_back({"not a multiple of 8", good.substr(0, 60)});
  cases.push_back({"truncated by a block", good.substr(0, 56)});
  cases.push_back({"shorter than a trailer", std::string(8, '\0')});
  {
    std::string b = good;
    b[63] = 1;  // a fill byte that is not zero
    cases.push_back({"fill not zero", b});
  }
  {
    std::string b = good;
    SetU32(&b, 46, 39);  // placeTableEnd after zoneTableEnd
    cases.push_back({"offsets out of order", b});
  }
  {
    std::string b = good;
    SetU32(&b, 50, 37);  // record array not a whole number of records
    cases.push_back({"records not whole", b});
  }
  {
    std::string b = good;
    SetU32(&b, 54, 0xFFFFFFF0u);  // recordsEnd beyond the file
    cases.push_back({"recordsEnd beyond the file", b});
  }
  {
    std::string b = good;
    SetU32(&b, 46, 0xFFFFFFFFu);
    SetU32(&b, 50, 0xFFFFFFFFu);
    cases.push_back({"huge offsets", b});
  }
  {
    std::string b = good;
    b[50] ^= 0x01;  // a flipped bit in zoneTableEnd
    cases.push_back({"flipped trailer bit", b});
  }
  for (const Case& c : cases) {
    DirectoryImage image;
    image.recordsEnd = 99;  // must be emptied on failure
    Status status = ParseDeciphered(c.bytes, "dir.dat", &image);
    EXPECT_FALSE(status.ok()) << c.what;
    EXPECT_EQ(status.code(), Status::Code::kCorruption) << c.what;
    EXPECT_NE(status.message().find("directory file \"dir.dat\" is damaged"), std::string::npos)
        << status.message();
    EXPECT_TRUE(image.data.empty()) << c.what;
    EXPECT_EQ(image.recordsEnd, 0u) << c.what;
  }
}

TEST(LoadDirectory, DamagedOrMissingFilesLeaveAnEmptyDirectory) {
  TempDir dir;
  std::string enciphered = Enciphered(WorkedImage());
  std::string flipped = enciphered;
  flipped[60] ^= 0x40;  // garbles the block holding the end of the trailer
  struct Case {
    const char* what;
    const char* expected;
    std::string bytes;
    bool write;
  };
  const Case cases[] = {
      {"missing", "cannot be read: No such file or directory", "", false},
      {"empty", "is damaged", "", true},
      {"length not a multiple of 8", "is damaged", enciphered.substr(0, 61), true},
      {"truncated", "is damaged", enciphered.substr(0, 56), true},
      {"flipped cipher byte", "is damaged", flipped, true},
      {"not enciphered at all", "is damaged", WorkedImage() + std::string(6, '\0'), true},
  };
  for (const Case& c : cases) {
    std::string path = dir.File(std::string(c.what) + ".dat");
    if (c.write) WriteFile(path, c.bytes);
    DirectoryImage image;
    Status status = LoadDirectory(path, &image);
    ASSERT_FALSE(status.ok()) << c.what;
    EXPECT_NE(status.message().find(path), std::string::npos) << status.message();
    EXPECT_NE(status.message().find(c.expected), std::string::npos) << status.message();
    EXPECT_EQ(SegmentCount(image), 0u);
    EXPECT_EQ(QueryNumber(image, "1390123").outcome, QueryAnswer::Outcome::kNotFound);
  }
  // A folder given as the directory file.
  DirectoryImage image;
  EXPECT_FALSE(LoadDirectory(dir.path(), &image).ok());
}

// Refused before a byte is read: before, /dev/zero was read until memory ran out, a FIFO held
// the open for ever and a 5 GiB file was read whole.
TEST(LoadDirectory, OnlyARegularFileOfAPossibleSizeIsRead) {
  TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = dir.File("huge.dat");
  WriteFile(huge, "");
  std::filesystem::resize_file(huge, std::uintmax_t{5} << 30);  // sparse: costs no disk
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {"/dev/zero", "it is not a regular file"},
      {fifo, "it is not a regular file"},
      {dir.path(), "it is a folder"},
      {huge, "it is larger than 4294967315 bytes, the most it may hold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    DirectoryImage image;
    Status status = LoadDirectory(c.path, &image);
    EXPECT_EQ(status.message(), "directory file \"" + c.path + "\" cannot be read: " + c.reason);
    EXPECT_EQ(SegmentCount(image), 0u);
  }
}

TEST(DefaultDirectoryPath, EnvironmentVariableWins) {
  ASSERT_EQ(setenv("KORVALIND_DIRECTORY", "/some/where.dat", 1), 0);
  EXPECT_EQ(DefaultDirectoryPath(), "/some/where.dat");
  ASSERT_EQ(unsetenv("KORVALIND_DIRECTORY"), 0);
  std::string path = DefaultDirectoryPath();
  EXPECT_NE(path.find("Korvalind.dat"), std::string::npos);
}

}  // namespace
}  // namespace korvalind
