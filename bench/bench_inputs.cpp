#include "bench_inputs.h"

#include <cstdio>

namespace korvalind::bench {

std::vector<std::string> SampleNumbers(size_t count, std::uint32_t seed) {
  static const char* const kPrefixes[] = {"130", "131", "133", "135", "136", "137", "138", "139"};
  // A 64-bit linear congruential generator (Knuth's MMIX constants): simple to repeat anywhere.
  std::uint64_t state = seed;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  std::vector<std::string> numbers;
  numbers.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    char text[16];
    const char* prefix = kPrefixes[next() % 8];
    std::snprintf(text, sizeof text, "%s%08u", prefix, next() % 100000000u);
    numbers.emplace_back(text);
  }
  return numbers;
}

const char* BundledDirectoryPath() { return KORVALIND_BUNDLED_DIRECTORY; }

}  // namespace korvalind::bench
