// The buffer that holds directory images: a vector of bytes in every respect that callers see.
#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/file_io.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

std::uint8_t Pattern(size_t i) { return static_cast<std::uint8_t>(i * 131 + (i >> 12)); }

TEST(LargeBytes, HoldsWhatIsWrittenAcrossSizesCopiesAndMoves) {
  const size_t sizes[] = {
      0, 1, 4096, (1u << 20) - 1, 1u << 20, (2u << 20) - 1, 2u << 20, (2u << 20) + 1, 5'000'000};
  for (size_t size : sizes) {
    std::vector<std::uint8_t> pattern(size);
    for (size_t i = 0; i < size; ++i) pattern[i] = Pattern(i);
    LargeBytes bytes(size);
    // Value-initialised like any vector.
    ASSERT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<std::ptrdiff_t>(size));
    std::copy(pattern.begin(), pattern.end(), bytes.begin());
    if (size >= (1u << 20)) {
      // Large blocks start on a huge-page boundary.
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.data()) % (2u << 20), 0u) << size;
    }
    LargeBytes copy = bytes;
    LargeBytes moved = std::move(bytes);
    copy.resize(size + 3 * (1u << 20) / 2, 7);  // grows across a threshold: a new block
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), copy.begin())) << size;
    EXPECT_TRUE(std::equal(moved.begin(), moved.end(), pattern.begin(), pattern.end())) << size;
    EXPECT_EQ(copy.back(), 7);
    copy.resize(size / 3);
    copy.shrink_to_fit();
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), pattern.begin())) << size;
  }
}

TEST(LargeBytes, ReadWholeFileGivesTheSameBytesAsIntoAString) {
  testing::TempDir dir;
  for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{65537}, size_t{3} << 20}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(Pattern(i));
    std::string path = dir.File("f" + std::to_string(size));
    testing::WriteFile(path, content);
    LargeBytes large;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, &large).ok());
    ASSERT_TRUE(ReadWholeFile(path, &text).ok());
    EXPECT_EQ(text, content);
    EXPECT_EQ(std::string(large.begin(), large.end()), content);
  }
  // Errors name the file and leave nothing behind, whichever the container.
  LargeBytes large(10, 1);
  std::string reason;
  Status missing = ReadWholeFile(dir.File("absent"), &large, &reason);
  EXPECT_EQ(missing.code(), Status::Code::kNotFound);
  EXPECT_NE(missing.message().find("absent"), std::string::npos);
  EXPECT_TRUE(large.empty());
  Status folder = ReadWholeFile(dir.path(), &large, &reason);
  EXPECT_EQ(folder.code(), Status::Code::kIoError);
  EXPECT_EQ(reason, "it is a folder");
}

TEST(LargeBytes, ReadsFilesWhoseSizeIsNotKnownBeforehand) {
  // /proc files report a size of 0 and still have content.
  LargeBytes large;
  std::string text;
  ASSERT_TRUE(ReadWholeFile("/proc/self/maps", &large).ok());
  ASSERT_TRUE(ReadWholeFile("/proc/self/cmdline", &text).ok());
  EXPECT_FALSE(large.empty());
  EXPECT_FALSE(text.empty());
}

}  // namespace
}  // namespace korvalind
