// One query from text to answer: ours through the index, the same without it (the walk over
// the records), each on the same numbers. libphonenumber's parse and geocode of those numbers is
// in korvalind_bench_peer_lookup. Run with --benchmark_repetitions=5 and read the medians.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "directory/loader.h"
#include "directory/query.h"

namespace korvalind {
namespace {

// Enough numbers that the look-ups do not all come from the same few cache lines.
constexpr size_t kNumbers = 1 << 14;

const std::vector<std::string>& Numbers() {
  static const std::vector<std::string> numbers = bench::SampleNumbers(kNumbers);
  return numbers;
}

const DirectoryImage& Bundled() {
  static const DirectoryImage image = [] {
    DirectoryImage loaded;
    if (!LoadDirectory(bench::BundledDirectoryPath(), &loaded).ok()) std::abort();
    return loaded;
  }();
  return image;
}

const DirectoryImage& BundledWithoutIndex() {
  static const DirectoryImage image = [] {
    DirectoryImage copy = Bundled();
    copy.index.reset();
    return copy;
  }();
  return image;
}

void Answers(benchmark::State& state, const DirectoryImage& image) {
  const std::vector<std::string>& numbers = Numbers();
  size_t i = 0, found = 0;
  for (auto _ : state) {
    QueryAnswer answer = QueryNumber(image, numbers[i++ % kNumbers]);
    found += answer.outcome == QueryAnswer::Outcome::kOk;
    benchmark::DoNotOptimize(answer);
  }
  state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}

// QueryNumber: validation, key, look-up, decoding and zone, the answer copied into strings.
void BM_QueryIndexed(benchmark::State& state) { Answers(state, Bundled()); }
BENCHMARK(BM_QueryIndexed);

// The same through the walk over the records, as every query was answered before the index.
void BM_QueryWalk(benchmark::State& state) { Answers(state, BundledWithoutIndex()); }
BENCHMARK(BM_QueryWalk);

// What the filter does per line: validation, key, and views of the UTF-8 answer texts.
void BM_QueryIndexedUtf8Views(benchmark::State& state) {
  const std::vector<std::string>& numbers = Numbers();
  const DirectoryImage& image = Bundled();
  size_t i = 0;
  for (auto _ : state) {
    const std::string& text = numbers[i++ % kNumbers];
    QueryAnswer::Outcome outcome = QueryAnswer::Outcome::kInvalid;
    AnswerTexts texts;
    if (IsAcceptedSegmentText(image, text)) {
      std::uint8_t key[kSegmentKeySize];
      PackSegmentKey(std::string_view(text).substr(1, 6), key);
      if (!QuerySegmentKeyIndexed(image, key, TextEncoding::kUtf8, &outcome, &texts)) std::abort();
    }
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(texts);
  }
}
BENCHMARK(BM_QueryIndexedUtf8Views);

}  // namespace
}  // namespace korvalind

BENCHMARK_MAIN();
