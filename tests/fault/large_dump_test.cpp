// Source dumps far beyond the bundled ones, generated in the test's folder: lines of 1 MiB, and
// 1,000,000 and 5,000,000 rows. The maintainer run must finish, answer correctly and hold no
// more memory than its inputs and outputs need. Its time against the rows is a benchmark's
// business (bench/compare): on a shared machine page clearing alone swings it several-fold.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ChildResult;
using testing::RunChild;
using testing::TempDir;

constexpr size_t kMebibyte = 1 << 20;

// The bytes a run writes: the five files in its data folder and the enciphered output.
std::uint64_t OutputBytes(const std::string& data, const std::string& output) {
  std::uint64_t total = std::filesystem::file_size(output);
  for (const char* name : {"zone", "binary", "output.txt", "offset", "Korvalind.dat"}) {
    total += std::filesystem::file_size(data + "/" + name);
  }
  return total;
}

// Peak memory may hold the inputs and the outputs at once, with room for one output buffer
// grown by doubling and a fixed base for the program itself. A cost per row beyond that (a
// copy of every row, an allocation per row kept to the end) exceeds it.
void ExpectMemoryBounded(const ChildResult& r, std::uint64_t input_bytes,
                         std::uint64_t output_bytes) {
#ifndef KORVALIND_SANITIZED
  const std::uint64_t bound_kb = (input_bytes + output_bytes * 3 / 2) / 1024 + 64 * 1024;
  EXPECT_LE(static_cast<std::uint64_t>(r.peakRssKb), bound_kb)
      << "peak " << r.peakRssKb << " KiB for " << input_bytes << " bytes in, " << output_bytes
      << " bytes out";
#else
  // The sanitizers' shadow memory and quarantine make the peak meaningless.
  (void)r, (void)input_bytes, (void)output_bytes;
#endif
}

// Answers from the made directory, tsv in GBK: "text, status, province, city, ...".
std::string Answer(const std::string& directory, const std::string& segment) {
  ChildResult r = RunChild({"query", "--directory", directory, "--format", "tsv", "--encoding",
                            "gbk", "--any-prefix", segment});
  return r.out;
}

// The answer to a generated row: its places, and the zone the generator gave its city.
void ExpectGeneratedAnswer(const std::string& directory, size_t row) {
  const std::string segment = testing::GeneratedSegment(row);
  const std::string answer = Answer(directory, segment);
  const std::string head = segment + "\tok\t" + testing::GeneratedProvince(row) + "\t" +
                           testing::GeneratedCity(row) + "\t";
  const size_t city = row % testing::kGeneratedCities;
  const std::string tail =
      "\t0" + std::to_string(100 + city) + "\t" + std::to_string(100000 + city * 100) + "\n";
  EXPECT_EQ(answer.substr(0, head.size()), head) << "row " << row;
  EXPECT_TRUE(answer.size() > tail.size() && answer.substr(answer.size() - tail.size()) == tail)
      << "row " << row << ": " << answer;
}

// Lines of 1 MiB where the pipeline reads past them: the place-name file's heading, text after
// an area-code row, a comment in the dump, a row's trailing field.
TEST(LargeDump, LinesOfOneMebibyte) {
  TempDir dir;
  const std::string data = dir.File("data");
  std::filesystem::create_directory(data);
  testing::WriteGeneratedData(data, 1000);
  const std::string hebei = "\xba\xd3\xb1\xb1";  // 河北, not among the generated names
  const std::string huge(kMebibyte, 'Z');
  {
    std::string city = testing::ReadFile(data + "/city");
    testing::WriteFile(data + "/city", huge + city.substr(city.find('\r')) + hebei + "\r\n");
    std::string areacode = testing::ReadFile(data + "/areacode");
    testing::WriteFile(data + "/areacode",
                       "'" + hebei + "','','050000','0311')" + huge + "\r\n" + areacode);
    std::string dump = testing::ReadFile(data + "/simcard2.sql");
    testing::WriteFile(data + "/simcard2.sql", "-- " + huge + "\r\n" + "(2,'1399991','" + hebei +
                                                   "','','2','" + huge + "'),\r\n" + dump);
  }
  const std::string output = dir.File("Korvalind.dat");
  ChildResult r = RunChild({"make-directory", "--data", data, "--output", output});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectMemoryBounded(r, testing::InputBytes(data), OutputBytes(data, output));

  // The row with the long field, and the zone of the row with the long tail.
  EXPECT_EQ(Answer(output, "1399991"),
            "1399991\tok\t" + hebei + "\t" + hebei + "\t" +
                "\xd2\xc6\xb6\xaf\xd4\xa4\xb8\xb6\xb7\xd1\t0311\t050000\n");  // 移动预付费
  for (size_t row : {size_t{0}, size_t{7}, size_t{999}}) ExpectGeneratedAnswer(output, row);
}

TEST(LargeDump, MillionsOfRowsAnswerWithinMemoryBounds) {
  for (size_t rows : {size_t{1000000}, size_t{5000000}}) {
    SCOPED_TRACE(rows);
    TempDir dir;
    const std::string data = dir.File("data");
    std::filesystem::create_directory(data);
    testing::WriteGeneratedData(data, rows);
    const std::string output = dir.File("Korvalind.dat");
    ChildResult r = RunChild({"make-directory", "--data", data, "--output", output});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::uint64_t in = testing::InputBytes(data), out = OutputBytes(data, output);
    ExpectMemoryBounded(r, in, out);
    std::cout << "[ rows    ] " << rows << ": " << r.cpuSeconds << " s CPU, peak "
              << r.peakRssKb / 1024 << " MiB, " << in / kMebibyte << " MiB in, " << out / kMebibyte
              << " MiB out\n";
    // Row 9 names a city the dump added; later rows of a segment are never answered.
    for (size_t row : {size_t{0}, size_t{9}, size_t{699999}}) ExpectGeneratedAnswer(output, row);
  }
}

}  // namespace
}  // namespace korvalind
