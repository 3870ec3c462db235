#include "cipher/file_cipher.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "cipher_test_util.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::AsBytes;
using testing::AsString;
using testing::Bytes;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;

constexpr size_t kMiB = size_t{1} << 20;

// What the enciphered file must hold, computed by nettle: the plain bytes, zero fill of 1 to 8
// bytes, each block enciphered by itself with the directory key at 1024 effective bits.
std::string ExpectedCipher(const std::string& plain, std::string_view key = CipherKey) {
  Bytes padded = AsBytes(plain);
  padded.resize(plain.size() / 8 * 8 + 8, 0);
  return AsString(testing::NettleEncipher(AsBytes(key), 1024, padded));
}

std::string RandomText(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  return AsString(testing::RandomBytes(random, size));
}

class FileCipherTest : public ::testing::Test {
 protected:
  std::string Path(std::string_view name) const { return dir_.File(name); }

  testing::TempDir dir_;
};

TEST_F(FileCipherTest, EnciphersAndDeciphersEveryLengthAroundBlockAndChunkEdges) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{13}, size_t{16},
                      size_t{4095}, kMiB - 8, kMiB - 1, kMiB, kMiB + 1, kMiB + 8, 2 * kMiB + 5}) {
    SCOPED_TRACE("plain length " + std::to_string(size));
    const std::string plain = RandomText(size, static_cast<unsigned>(size));
    WriteFile(Path("plain"), plain);

    ASSERT_EQ(EncipherFile(Path("plain").c_str(), Path("cipher").c_str(), CipherKey.c_str()), 1);
    const std::string cipher = ReadFile(Path("cipher"));
    ASSERT_EQ(cipher.size(), size / 8 * 8 + 8);
    EXPECT_TRUE(cipher == ExpectedCipher(plain));
    EXPECT_TRUE(EncipherBytes(plain, CipherKey) == cipher);

    ASSERT_EQ(DecipherFile(Path("cipher").c_str(), Path("back").c_str(), CipherKey.c_str()), 1);
    const std::string padded = plain + std::string(8 - size % 8, '\0');
    EXPECT_TRUE(ReadFile(Path("back")) == padded);
    std::string in_memory;
    ASSERT_TRUE(DecipherBytes(cipher, CipherKey, &in_memory));
    EXPECT_TRUE(in_memory == padded);
  }
}

TEST_F(FileCipherTest, EmptyFileBecomesOneEnciphered8ByteZeroBlock) {
  WriteFile(Path("empty"), "");
  ASSERT_EQ(EncipherFile(Path("empty").c_str(), Path("cipher").c_str(), CipherKey.c_str()), 1);
  const std::string cipher = ReadFile(Path("cipher"));
  EXPECT_EQ(cipher, ExpectedCipher(""));
  ASSERT_EQ(DecipherFile(Path("cipher").c_str(), Path("back").c_str(), CipherKey.c_str()), 1);
  EXPECT_EQ(ReadFile(Path("back")), std::string(8, '\0'));
}

TEST_F(FileCipherTest, EightBytesGetAWholeZeroBlockAfterThem) {
  WriteFile(Path("plain"), "12345678");
  ASSERT_EQ(EncipherFile(Path("plain").c_str(), Path("cipher").c_str(), CipherKey.c_str()), 1);
  const std::string cipher = ReadFile(Path("cipher"));
  ASSERT_EQ(cipher.size(), 16u);
  EXPECT_EQ(cipher.substr(8), ExpectedCipher(""));
}

TEST_F(FileCipherTest, EqualPlainBlocksGiveEqualCipherBlocks) {
  const std::string block = "ABCDEFGH";
  WriteFile(Path("plain"), block + "xxxxxxxx" + block + block);
  ASSERT_EQ(EncipherFile(Path("plain").c_str(), Path("cipher").c_str(), CipherKey.c_str()), 1);
  const std::string cipher = ReadFile(Path("cipher"));
  ASSERT_EQ(cipher.size(), 40u);
  EXPECT_EQ(cipher.substr(0, 8), cipher.substr(16, 8));
  EXPECT_EQ(cipher.substr(0, 8), cipher.substr(24, 8));
  EXPECT_NE(cipher.substr(0, 8), cipher.substr(8, 8));
  ASSERT_EQ(EncipherFile(Path("plain").c_str(), Path("again").c_str(), CipherKey.c_str()), 1);
  EXPECT_EQ(ReadFile(Path("again")), cipher);
}

TEST_F(FileCipherTest, DecipheringAnEmptyFileCreatesAnEmptyTarget) {
  WriteFile(Path("empty"), "");
  ASSERT_EQ(DecipherFile(Path("empty").c_str(), Path("out").c_str(), CipherKey.c_str()), 1);
  ASSERT_TRUE(FileExists(Path("out")));
  EXPECT_EQ(ReadFile(Path("out")), "");
}

TEST_F(FileCipherTest, DecipheringAShortTailWritesTheWholeBlocksAndFails) {
  const std::pair<size_t, const char*> cases[] = {
      {13, "(13 bytes); the 8 whole bytes"},
      {20, "(20 bytes); the 16 whole bytes"},
      {3, "(3 bytes); the 0 whole bytes"},
      {kMiB + 4, "(1048580 bytes); the 1048576 whole bytes"},
  };
  for (const auto& [size, counts] : cases) {
    SCOPED_TRACE("source length " + std::to_string(size));
    const std::string source = RandomText(size, 99);
    WriteFile(Path("source"), source);
    EXPECT_EQ(DecipherFile(Path("source").c_str(), Path("out").c_str(), CipherKey.c_str()), 0);
    const Bytes whole = AsBytes(std::string_view(source).substr(0, size / 8 * 8));
    EXPECT_TRUE(ReadFile(Path("out")) ==
                AsString(testing::NettleDecipher(AsBytes(CipherKey), 1024, whole)));

    Status status = DecipherFileChecked(Path("source"), Path("out"), CipherKey);
    EXPECT_EQ(status.code(), Status::Code::kCorruption);
    EXPECT_EQ(status.message(), "\"" + Path("source") +
                                    "\" is not a whole number of 8-byte blocks " + counts +
                                    " before the tail were written to \"" + Path("out") + "\"");
  }
}

TEST_F(FileCipherTest, ExistingTargetIsTruncated) {
  WriteFile(Path("plain"), "abc");
  WriteFile(Path("target"), std::string(100, 'z'));
  ASSERT_EQ(EncipherFile(Path("plain").c_str(), Path("target").c_str(), CipherKey.c_str()), 1);
  EXPECT_EQ(ReadFile(Path("target")), ExpectedCipher("abc"));
  WriteFile(Path("back"), std::string(100, 'z'));
  ASSERT_EQ(DecipherFile(Path("target").c_str(), Path("back").c_str(), CipherKey.c_str()), 1);
  EXPECT_EQ(ReadFile(Path("back")), std::string("abc") + std::string(5, '\0'));
}

TEST_F(FileCipherTest, MissingSourceLeavesTheTargetAlone) {
  WriteFile(Path("target"), "keep me");
  EXPECT_EQ(EncipherFile(Path("missing").c_str(), Path("target").c_str(), CipherKey.c_str()), 0);
  EXPECT_EQ(DecipherFile(Path("missing").c_str(), Path("target").c_str(), CipherKey.c_str()), 0);
  EXPECT_EQ(ReadFile(Path("target")), "keep me");
  EXPECT_EQ(DecipherFile(Path("missing").c_str(), Path("new").c_str(), CipherKey.c_str()), 0);
  EXPECT_FALSE(FileExists(Path("new")));

  Status status = EncipherFileChecked(Path("missing"), Path("target"), CipherKey);
  EXPECT_EQ(status.code(), Status::Code::kNotFound);
  EXPECT_EQ(status.message(), "cannot open \"" + Path("missing") + "\": No such file or directory");
}

TEST_F(FileCipherTest, RefusalsNameTheFileAndTouchNothing) {
  WriteFile(Path("plain"), "some plain text");
  WriteFile(Path("target"), "keep me");
  struct Refusal {
    std::string source, target;
    std::string key;
    Status::Code code;
    std::string message;
  };
  const Refusal cases[] = {
      {Path("plain"), Path("no-such-folder/out"), CipherKey, Status::Code::kIoError,
       "cannot create \"" + Path("no-such-folder/out") + "\": No such file or directory"},
      {dir_.path(), Path("target"), CipherKey, Status::Code::kIoError,
       "cannot read \"" + dir_.path() + "\": Is a directory"},
      {Path("plain"), Path("plain"), CipherKey, Status::Code::kInvalidArgument,
       "\"" + Path("plain") + "\" and \"" + Path("plain") + "\" are the same file"},
      {Path("plain"), Path("target"), std::string("\0abc", 4), Status::Code::kInvalidArgument,
       "the cipher key is empty"},
  };
  for (const Refusal& test : cases) {
    for (bool encipher : {true, false}) {
      Status status = encipher ? EncipherFileChecked(test.source, test.target, test.key)
                               : DecipherFileChecked(test.source, test.target, test.key);
      EXPECT_EQ(status.code(), test.code) << test.message;
      EXPECT_EQ(status.message(), test.message);
      EXPECT_EQ((encipher ? EncipherFile : DecipherFile)(test.source.c_str(), test.target.c_str(),
                                                         test.key.c_str()),
                0);
    }
  }
  EXPECT_EQ(ReadFile(Path("plain")), "some plain text");
  EXPECT_EQ(ReadFile(Path("target")), "keep me");
  EXPECT_FALSE(FileExists(Path("no-such-folder")));
}

TEST_F(FileCipherTest, WriteErrorIsReportedNotSwallowed) {
  WriteFile(Path("plain"), RandomText(100, 5));
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  Status status = EncipherFileChecked(Path("plain"), "/dev/full", CipherKey);
  EXPECT_EQ(status.code(), Status::Code::kIoError);
  EXPECT_EQ(status.message(), "cannot write \"/dev/full\": No space left on device");
  EXPECT_EQ(DecipherFile(Path("plain").c_str(), "/dev/full", CipherKey.c_str()), 0);
}

TEST_F(FileCipherTest, KeyCountsUpToItsNul) {
  const std::string plain = RandomText(50, 6);
  std::string long_key = RandomText(300, 7);
  for (char& c : long_key) c = static_cast<char>(c == '\0' ? 'x' : c);
  struct KeyCase {
    std::string given, effective;
  };
  const KeyCase cases[] = {
      {std::string("TaviRusk\0tail", 13), "TaviRusk"},
      // RC2 itself uses no more than 128 key bytes.
      {long_key, long_key.substr(0, 128)},
      {"k", "k"},
  };
  for (const KeyCase& test : cases) {
    EXPECT_TRUE(EncipherBytes(plain, test.given) == ExpectedCipher(plain, test.effective));
    WriteFile(Path("plain"), plain);
    ASSERT_TRUE(EncipherFileChecked(Path("plain"), Path("cipher"), test.given).ok());
    EXPECT_TRUE(ReadFile(Path("cipher")) == ExpectedCipher(plain, test.effective));
  }
}

TEST(CipherBytes, RefusesWhatCannotBeDeciphered) {
  std::string plain = "untouched";
  EXPECT_FALSE(DecipherBytes(std::string(13, 'a'), CipherKey, &plain));
  EXPECT_FALSE(DecipherBytes(std::string(16, 'a'), "", &plain));
  EXPECT_EQ(plain, "untouched");
  EXPECT_EQ(EncipherBytes("abc", ""), "");
  EXPECT_EQ(CipherKey, "TaviRusk");
}

}  // namespace
}  // namespace korvalind
