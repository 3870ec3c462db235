// The C interface of libkorvalind: its statuses and messages, and its answers against the
// command line's on built directories and the bundled one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cipher/file_cipher.h"
#include "cli/answer_format.h"
#include "directory/loader.h"
#include "directory/number_text.h"
#include "directory/query.h"
#include "directory/test_images.h"
#include "korvalind/korvalind.h"
#include "platform/gbk.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::kBaoding;
using testing::kHebei;
using testing::kShijiazhuang;
using testing::LayOutImage;
using testing::Record;
using testing::TempDir;
using testing::WriteFile;

// Owns a handle for the length of a test.
struct Opened {
  korvalind_directory* directory = nullptr;
  korvalind_error error{};
  korvalind_status status = KORVALIND_OK;
  ~Opened() { korvalind_close(directory); }
};

void OpenBytes(std::string_view file, Opened* opened) {
  opened->status = korvalind_open_bytes(file.data(), file.size(), "small.dat", &opened->directory,
                                        &opened->error);
  ASSERT_EQ(opened->status, KORVALIND_OK) << opened->error.message;
}

// A small directory with the cases a look-up must get right: two records with one key (the
// first answers), a record without a city, a province with no zone, a kind without a label, a
// place index past the table, a key that is not packed decimal, and held prefixes outside 13x.
std::string SmallDirectoryFile() {
  const std::string hebei(kHebei), shijiazhuang(kShijiazhuang), baoding(kBaoding);
  const std::string beijing = "\xb1\xb1\xbe\xa9";  // 北京
  std::string records = Record(1, "390123", 2, 1) + Record(3, "390123", 3, 1) +
                        Record(3, "390124", 3, 1) + Record(0, "350000", 0, 1) +
                        Record(5, "320001", 4, 4) + Record(7, "861234", 2, 1) +
                        Record(2, "700000", 9, 4) + Record(1, "999999", 3, 1);
  records += std::string("\x20\xa1\x00\x00\x02\x00\x01\x00", 8);
  const std::string plain =
      LayOutImage({hebei, shijiazhuang, baoding, beijing},
                  {hebei + "," + shijiazhuang + ":050000,0311",
                   hebei + "," + baoding + ":071000,0312", beijing + "," + beijing + ":100000,010"},
                  records);
  return EncipherBytes(plain, CipherKey);
}

// The command line's answer to text, as its tsv lines give it: UTF-8, or the directory's GBK.
QueryAnswer CommandLineAnswer(const DirectoryImage& image, const std::string& text,
                              bool any_prefix) {
  if (!any_prefix) return QueryNumber(image, text);
  const std::uint32_t segment = SegmentOfDigits(PrepareNumberText(text));
  return segment == 0 ? QueryAnswer{} : QuerySegment(image, segment);
}

korvalind_status StatusOf(QueryAnswer::Outcome outcome) {
  switch (outcome) {
    case QueryAnswer::Outcome::kOk:
      return KORVALIND_OK;
    case QueryAnswer::Outcome::kNotFound:
      return KORVALIND_NOT_FOUND;
    case QueryAnswer::Outcome::kInvalid:
      break;
  }
  return KORVALIND_INVALID;
}

// Looks text up both ways, in UTF-8 and GBK, and compares every field.
void ExpectSameAnswer(const korvalind_directory* directory, const DirectoryImage& image,
                      const std::string& text, bool any_prefix) {
  const QueryAnswer expected = CommandLineAnswer(image, text, any_prefix);
  const std::string fields[5] = {expected.province, expected.city, expected.simType,
                                 expected.areaCode, expected.postCode};
  for (bool gbk : {false, true}) {
    korvalind_answer answer{};
    const unsigned flags = (any_prefix ? KORVALIND_ANY_PREFIX : 0u) | (gbk ? KORVALIND_GBK : 0u);
    ASSERT_EQ(korvalind_lookup(directory, text.data(), text.size(), flags, &answer),
              StatusOf(expected.outcome))
        << text << " flags " << flags;
    const char* got[5] = {answer.province, answer.city, answer.sim_type, answer.area_code,
                          answer.post_code};
    for (int f = 0; f < 5; ++f) {
      ASSERT_EQ(got[f], gbk ? fields[f] : GbkToUtf8(fields[f])) << text << " field " << f;
    }
  }
}

TEST(LibraryOpen, FailuresNameTheFileAndLeaveNoHandle) {
  TempDir dir;
  WriteFile(dir.File("empty.dat"), "");
  WriteFile(dir.File("odd.dat"), "12345");
  WriteFile(dir.File("noise.dat"), std::string(64, 'x'));
  WriteFile(dir.File("plain.dat"), testing::WorkedImage() + std::string(6, '\0'));
  ASSERT_EQ(::mkfifo(dir.File("fifo.dat").c_str(), 0600), 0);
  struct Case {
    std::string path;
    korvalind_status status;
    std::string reason;
  };
  const Case cases[] = {
      {dir.File("missing.dat"), KORVALIND_CANNOT_READ, "No such file or directory"},
      {dir.path(), KORVALIND_CANNOT_READ, "it is a folder"},  // as the command line says
      {dir.File("fifo.dat"), KORVALIND_CANNOT_READ, "not a regular file"},
      {dir.File("empty.dat"), KORVALIND_DAMAGED, "(0 bytes) is not a positive multiple of 8"},
      {dir.File("odd.dat"), KORVALIND_DAMAGED, "(5 bytes) is not a positive multiple of 8"},
      {dir.File("noise.dat"), KORVALIND_DAMAGED, "no consistent trailer"},
      {dir.File("plain.dat"), KORVALIND_DAMAGED, "no consistent trailer"},
  };
  for (const Case& c : cases) {
    korvalind_directory* directory = reinterpret_cast<korvalind_directory*>(&dir);
    korvalind_error error{};
    EXPECT_EQ(korvalind_open(c.path.c_str(), &directory, &error), c.status) << c.path;
    EXPECT_EQ(directory, nullptr);
    EXPECT_EQ(error.status, c.status);
    EXPECT_NE(std::strstr(error.message, ("\"" + c.path + "\"").c_str()), nullptr) << error.message;
    EXPECT_NE(std::strstr(error.message, c.reason.c_str()), nullptr) << error.message;
  }
}

TEST(LibraryOpen, MessagesAreCutAtACharacterAndBytesAreNamed) {
  // A path of 2-byte characters longer than the message buffer, and one that is not UTF-8.
  std::string long_path = "/nonexistent/";
  while (long_path.size() < 1500) long_path += "\xc3\xa9";
  korvalind_directory* directory = nullptr;
  korvalind_error error{};
  ASSERT_EQ(korvalind_open(long_path.c_str(), &directory, &error), KORVALIND_CANNOT_READ);
  const std::string message = error.message;
  EXPECT_LT(message.size(), sizeof error.message);
  EXPECT_EQ(ValidUtf8(message), message);
  ASSERT_EQ(korvalind_open("/nonexistent/\xff.dat", &directory, &error), KORVALIND_CANNOT_READ);
  EXPECT_EQ(ValidUtf8(error.message), std::string(error.message));

  ASSERT_EQ(korvalind_open_bytes("1234567", 7, nullptr, &directory, &error), KORVALIND_DAMAGED);
  EXPECT_NE(std::strstr(error.message, "\"(memory)\""), nullptr) << error.message;
  EXPECT_EQ(korvalind_open(nullptr, nullptr, &error), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_open_bytes(nullptr, 8, "x", &directory, nullptr), KORVALIND_BAD_ARGUMENT);
}

TEST(LibraryArguments, AreCheckedBeforeAnythingIsWritten) {
  Opened opened;
  ASSERT_NO_FATAL_FAILURE(OpenBytes(SmallDirectoryFile(), &opened));
  const korvalind_directory* d = opened.directory;
  korvalind_answer answer{};
  const std::int64_t numbers[1] = {1390123};
  std::uint32_t codes[1] = {7};
  EXPECT_EQ(korvalind_lookup(nullptr, "1390123", 7, 0, &answer), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup(d, "1390123", 7, 0, nullptr), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup(d, nullptr, 7, 0, &answer), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup(d, "1390123", 7, 4, &answer), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup(d, nullptr, 0, 0, &answer), KORVALIND_INVALID);
  EXPECT_EQ(korvalind_lookup_numbers(d, numbers, 1, KORVALIND_GBK, codes), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup_numbers(d, nullptr, 1, 0, codes), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(korvalind_lookup_numbers(nullptr, numbers, 1, 0, codes), KORVALIND_BAD_ARGUMENT);
  EXPECT_EQ(codes[0], 7u);
  EXPECT_EQ(korvalind_lookup_numbers(d, nullptr, 0, 0, nullptr), KORVALIND_OK);
  const std::uint32_t count = korvalind_answer_count(d);
  for (std::uint32_t code : {count, KORVALIND_CODE_NOT_FOUND, KORVALIND_CODE_INVALID}) {
    EXPECT_EQ(korvalind_answer_at(d, code, 0, &answer), KORVALIND_BAD_ARGUMENT) << code;
  }
  EXPECT_EQ(korvalind_answer_at(d, 0, KORVALIND_ANY_PREFIX, &answer), KORVALIND_BAD_ARGUMENT);
  EXPECT_STREQ(korvalind_status_name(static_cast<korvalind_status>(42)), "unknown");
  EXPECT_STREQ(korvalind_status_name(KORVALIND_NOT_FOUND), "not-found");
  EXPECT_EQ(korvalind_version_number(), KORVALIND_VERSION);
}

TEST(LibrarySmallDirectory, EverySegmentAnswersAsTheCommandLine) {
  const std::string file = SmallDirectoryFile();
  Opened opened;
  ASSERT_NO_FATAL_FAILURE(OpenBytes(file, &opened));
  DirectoryImage image;
  ASSERT_TRUE(LoadEnciphered(LargeBytes(file.begin(), file.end()), "small.dat", &image).ok());
  char text[8];
  for (int segment = 1000000; segment <= 1999999; ++segment) {
    std::snprintf(text, sizeof text, "%d", segment);
    ASSERT_NO_FATAL_FAILURE(ExpectSameAnswer(opened.directory, image, text, false));
    ASSERT_NO_FATAL_FAILURE(ExpectSameAnswer(opened.directory, image, text, true));
  }
  // The first record of a key answers, and distinct answers are counted once.
  korvalind_answer answer{};
  ASSERT_EQ(korvalind_lookup(opened.directory, "13901239999", 11, 0, &answer), KORVALIND_OK);
  EXPECT_STREQ(answer.city, "\xe7\x9f\xb3\xe5\xae\xb6\xe5\xba\x84");  // 石家庄
  EXPECT_STREQ(answer.area_code, "0311");
  EXPECT_EQ(korvalind_answer_count(opened.directory), 7u);
  EXPECT_EQ(korvalind_segment_count(opened.directory), 9u);
  EXPECT_STREQ(korvalind_path(opened.directory), "small.dat");
  int prefixes[8] = {};
  ASSERT_EQ(korvalind_held_prefixes(opened.directory, prefixes, 2), 6u);
  EXPECT_EQ(prefixes[0], 132);
  EXPECT_EQ(prefixes[1], 135);
  EXPECT_EQ(prefixes[2], 0);
  EXPECT_EQ(korvalind_held_prefixes(opened.directory, nullptr, 0), 6u);
}

TEST(LibrarySmallDirectory, TextsOfTheCommandLineAreAcceptedAlike) {
  const std::string file = SmallDirectoryFile();
  Opened opened;
  ASSERT_NO_FATAL_FAILURE(OpenBytes(file, &opened));
  DirectoryImage image;
  ASSERT_TRUE(LoadEnciphered(LargeBytes(file.begin(), file.end()), "small.dat", &image).ok());
  const std::string texts[] = {"",
                               "1390123",
                               "139012",
                               "13901234567xyz",
                               "1340123",
                               "1320001",
                               "1861234",
                               "1861234 5678",
                               "+8613901234567",
                               "008613901234567",
                               "+86 139-0123-4567",
                               " +86139012345",
                               " \t+86 139 0123",
                               "  0086-139-0123",
                               "139 0123",
                               "139\t0123",
                               "13-9-0-1-2-3",
                               "+86",
                               "0086",
                               "2390123",
                               "1a90123",
                               "１３９０１２３",
                               std::string("139\0"
                                           "123",
                                           7),
                               "1700000"};
  for (const std::string& text : texts) {
    ASSERT_NO_FATAL_FAILURE(ExpectSameAnswer(opened.directory, image, text, false));
    ASSERT_NO_FATAL_FAILURE(ExpectSameAnswer(opened.directory, image, text, true));
  }
}

// Codes of a batch against the one-by-one look-up of the number's text.
void ExpectBatchMatchesLookups(const korvalind_directory* directory,
                               const std::vector<std::int64_t>& numbers, unsigned flags) {
  std::vector<std::uint32_t> codes(numbers.size(), 12345);
  ASSERT_EQ(
      korvalind_lookup_numbers(directory, numbers.data(), numbers.size(), flags, codes.data()),
      KORVALIND_OK);
  std::vector<std::uint32_t> codes_ex(numbers.size(), 12345);
  std::vector<std::uint8_t> carriers(numbers.size(), 99);
  ASSERT_EQ(korvalind_lookup_numbers_ex(directory, numbers.data(), numbers.size(), flags,
                                        codes_ex.data(), carriers.data()),
            KORVALIND_OK);
  ASSERT_EQ(codes_ex, codes);
  for (size_t i = 0; i < numbers.size(); ++i) {
    const std::int64_t n = numbers[i];
    const bool named = (n >= 1000000 && n <= 9999999) || (n >= 10000000000 && n <= 99999999999);
    const std::string text = named ? std::to_string(n) : "not a number";
    korvalind_answer answer{};
    const korvalind_status status =
        korvalind_lookup(directory, text.data(), text.size(), flags, &answer);
    std::uint32_t code = 0;
    ASSERT_EQ(korvalind_lookup_code(directory, text.data(), text.size(), flags, &code), status);
    ASSERT_EQ(code, codes[i]) << n;
    // The extended answer: the same texts, and the carrier the batch gave, found or not.
    korvalind_answer_ex full{};
    full.size = sizeof full;
    ASSERT_EQ(korvalind_lookup_ex(directory, text.data(), text.size(), flags, &full), status);
    ASSERT_EQ(full.carrier_code, carriers[i]) << n;
    ASSERT_STREQ(full.province, answer.province) << n;
    ASSERT_STREQ(full.carrier_id, korvalind_carrier_id(full.carrier_code)) << n;
    for (const char* text : {full.carrier, full.service, full.sim_type,
                             korvalind_carrier_english_name(full.carrier_code)}) {
      ASSERT_NE(text, nullptr) << n;  // "" where there is nothing to say
    }
    if (status == KORVALIND_INVALID) {
      ASSERT_EQ(codes[i], KORVALIND_CODE_INVALID) << n;
    } else if (status == KORVALIND_NOT_FOUND) {
      ASSERT_EQ(codes[i], KORVALIND_CODE_NOT_FOUND) << n;
    } else {
      ASSERT_LT(codes[i], korvalind_answer_count(directory)) << n;
      korvalind_answer coded{};
      ASSERT_EQ(korvalind_answer_at(directory, codes[i], 0, &coded), KORVALIND_OK);
      // Answers are prepared once: the very same texts.
      ASSERT_EQ(coded.province, answer.province) << n;
      ASSERT_EQ(coded.post_code, answer.post_code) << n;
    }
  }
}

std::vector<std::int64_t> EdgeNumbers() {
  return {0,
          -1,
          -13901234567,
          std::numeric_limits<std::int64_t>::min(),
          std::numeric_limits<std::int64_t>::max(),
          999999,
          1000000,
          1390123,
          1320001,
          1999999,
          2000000,
          9999999,
          10000000,
          9999999999,
          10000000000,
          13901234567,
          13200019999,
          19999999999,
          20000000000,
          99999999999,
          100000000000,
          1861234,
          18612340000,
          1700000};
}

TEST(LibraryBatch, CodesEqualOneByOneLookups) {
  Opened opened;
  ASSERT_NO_FATAL_FAILURE(OpenBytes(SmallDirectoryFile(), &opened));
  std::vector<std::int64_t> numbers = EdgeNumbers();
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    numbers.push_back(static_cast<std::int64_t>(10000000000 + random() % 10000000000));
  }
  for (unsigned flags : {0u, KORVALIND_ANY_PREFIX}) {
    ASSERT_NO_FATAL_FAILURE(ExpectBatchMatchesLookups(opened.directory, numbers, flags));
  }
}

TEST(LibraryBundled, ExtendedAnswersCarryThePlanAndKeepTheirSize) {
  Opened opened;
  opened.status = korvalind_open(KORVALIND_BUNDLED_DIRECTORY, &opened.directory, &opened.error);
  ASSERT_EQ(opened.status, KORVALIND_OK) << opened.error.message;
  korvalind_answer_ex full{};
  full.size = sizeof full;
  EXPECT_EQ(korvalind_lookup_ex(opened.directory, "19912345678", 11, 0, &full),
            KORVALIND_NOT_FOUND);
  EXPECT_STREQ(full.carrier, "中国电信");
  EXPECT_STREQ(full.service, "mobile");
  EXPECT_EQ(full.segment, 1991234u);
  EXPECT_EQ(full.kind, 0);
  EXPECT_EQ(korvalind_lookup_ex(opened.directory, "1860000", 7, KORVALIND_GBK, &full),
            KORVALIND_OK);
  EXPECT_STREQ(full.carrier, "\xd6\xd0\xb9\xfa\xc1\xaa\xcd\xa8");  // 中国联通
  EXPECT_EQ(full.kind, 3);
  EXPECT_STREQ(korvalind_carrier_english_name(full.carrier_code), "China Unicom");
  // A caller built when the struct ended at post_code: nothing past it is written.
  struct {
    korvalind_answer_ex answer;
    char guard[sizeof(korvalind_answer_ex)];
  } old{};
  std::memset(&old, 0x5a, sizeof old);
  old.answer.size = offsetof(korvalind_answer_ex, post_code) + sizeof(const char*);
  EXPECT_EQ(korvalind_lookup_ex(opened.directory, "1390123", 7, 0, &old.answer), KORVALIND_OK);
  EXPECT_STREQ(old.answer.province, "北京");
  const auto* past = reinterpret_cast<const unsigned char*>(&old.answer.carrier);
  EXPECT_EQ(past[0], 0x5a);
  old.answer.size -= 1;
  EXPECT_EQ(korvalind_lookup_ex(opened.directory, "1390123", 7, 0, &old.answer),
            KORVALIND_BAD_ARGUMENT);
}

// The bundled directory: a sample of its segments through the library and through the built
// program's filter, line by line.
TEST(LibraryBundled, SampleAnswersAsTheProgram) {
  Opened opened;
  opened.status = korvalind_open(KORVALIND_BUNDLED_DIRECTORY, &opened.directory, &opened.error);
  ASSERT_EQ(opened.status, KORVALIND_OK) << opened.error.message;
  std::vector<std::string> texts;
  std::mt19937 random(11);
  for (int i = 0; i < 4000; ++i) {
    texts.push_back(std::to_string(1000000 + random() % 1000000));
    texts.push_back(std::to_string(1300000 + random() % 100000) + "1234");
  }
  texts.insert(texts.end(), {"1390123", "18600001234", "+86 186-0000-1234", "1340000"});
  std::string input;
  for (const std::string& text : texts) input += text + "\n";
  for (bool any_prefix : {false, true}) {
    std::vector<std::string> args = {"query",    "--directory", KORVALIND_BUNDLED_DIRECTORY,
                                     "--format", "tsv",         "-"};
    if (any_prefix) args.push_back("--any-prefix");
    const testing::ProcessResult run = testing::RunProcess(KORVALIND_BINARY, args, input);
    ASSERT_NE(run.exitCode, 2) << run.err;
    std::string expected;
    for (const std::string& text : texts) {
      korvalind_answer answer{};
      const korvalind_status status =
          korvalind_lookup(opened.directory, text.data(), text.size(),
                           any_prefix ? KORVALIND_ANY_PREFIX : 0u, &answer);
      expected += text + "\t" + korvalind_status_name(status) + "\t" + answer.province + "\t" +
                  answer.city + "\t" + answer.sim_type + "\t" + answer.area_code + "\t" +
                  answer.post_code + "\n";
    }
    ASSERT_EQ(run.out, expected) << "any_prefix " << any_prefix;
  }
  std::vector<std::int64_t> numbers = EdgeNumbers();
  for (int i = 0; i < 200000; ++i) {
    numbers.push_back(static_cast<std::int64_t>(13000000000 + random() % 7000000000));
  }
  for (unsigned flags : {0u, KORVALIND_ANY_PREFIX}) {
    ASSERT_NO_FATAL_FAILURE(ExpectBatchMatchesLookups(opened.directory, numbers, flags));
  }
}

}  // namespace
}  // namespace korvalind
