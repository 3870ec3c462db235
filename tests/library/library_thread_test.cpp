// One handle shared by many threads: every thread's answers equal those of a single thread.
// CI also runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "korvalind/korvalind.h"

namespace {

std::string DirectoryPath() {
  const char* path = std::getenv("KORVALIND_TEST_DIRECTORY");
  return path != nullptr && *path != '\0' ? path : KORVALIND_BUNDLED_DIRECTORY;
}

TEST(LibraryThreads, ShareOneHandle) {
  korvalind_directory* directory = nullptr;
  korvalind_error error{};
  ASSERT_EQ(korvalind_open(DirectoryPath().c_str(), &directory, &error), KORVALIND_OK)
      << error.message;

  std::mt19937_64 random(3);
  std::vector<std::int64_t> numbers(20000);
  for (std::int64_t& n : numbers)
    n = static_cast<std::int64_t>(13000000000 + random() % 7000000000);
  std::vector<std::uint32_t> expected(numbers.size());
  ASSERT_EQ(korvalind_lookup_numbers(directory, numbers.data(), numbers.size(), 0, expected.data()),
            KORVALIND_OK);

  constexpr int kThreads = 8;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::uint32_t> codes(numbers.size());
      for (int round = 0; round < 3; ++round) {
        if (korvalind_lookup_numbers(directory, numbers.data(), numbers.size(), 0, codes.data()) !=
                KORVALIND_OK ||
            codes != expected) {
          ++mismatches[t];
        }
        // Every other thread asks in GBK, so that both prepared forms are read at once.
        const unsigned flags = t % 2 == 0 ? 0u : KORVALIND_GBK;
        for (size_t i = static_cast<size_t>(t); i < numbers.size(); i += 7) {
          const std::string text = std::to_string(numbers[i]);
          korvalind_answer answer{};
          const korvalind_status status =
              korvalind_lookup(directory, text.data(), text.size(), flags, &answer);
          korvalind_answer coded{"", "", "", "", ""};
          if (expected[i] < korvalind_answer_count(directory)) {
            korvalind_answer_at(directory, expected[i], flags, &coded);
          }
          const bool same = (status == KORVALIND_OK) == (expected[i] < KORVALIND_CODE_NOT_FOUND) &&
                            std::string_view(answer.province) == coded.province &&
                            std::string_view(answer.city) == coded.city;
          if (!same) ++mismatches[t];
        }
        if (korvalind_count_line(directory, flags)[0] == '\0') ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
  korvalind_close(directory);
}

}  // namespace
