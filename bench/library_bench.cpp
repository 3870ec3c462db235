// libkorvalind's batch call: answer codes for 10,000,000 random 11-digit numbers starting with
// "1" (a tenth of them in prefixes the directory lacks), on one thread and on every usable one,
// each thread on its own share of the numbers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "bench_inputs.h"
#include "korvalind/korvalind.h"

namespace {

constexpr size_t kNumbers = 10'000'000;

struct Batch {
  korvalind_directory* directory = nullptr;
  std::vector<std::int64_t> numbers;

  Batch() {
    korvalind_error error{};
    if (korvalind_open(korvalind::bench::BundledDirectoryPath(), &directory, &error) !=
        KORVALIND_OK) {
      std::abort();
    }
    std::mt19937_64 random(1);
    numbers.resize(kNumbers);
    for (std::int64_t& n : numbers) {
      n = static_cast<std::int64_t>(10'000'000'000 + random() % 10'000'000'000);
    }
  }
};

Batch& Shared() {
  static Batch batch;
  return batch;
}

void BM_LibraryLookupNumbers(benchmark::State& state) {
  Batch& batch = Shared();
  const size_t share = kNumbers / static_cast<size_t>(state.threads());
  const std::int64_t* numbers = batch.numbers.data() + share * state.thread_index();
  std::vector<std::uint32_t> codes(share);
  for (auto _ : state) {
    korvalind_lookup_numbers(batch.directory, numbers, share, 0, codes.data());
    benchmark::DoNotOptimize(codes.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * share));
}
BENCHMARK(BM_LibraryLookupNumbers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryLookupNumbers)
    ->Unit(benchmark::kMillisecond)
    ->Threads(static_cast<int>(std::max(2u, std::thread::hardware_concurrency())))
    ->UseRealTime();

// The same on one thread through korvalind_lookup_numbers_ex, which also gives each number's
// carrier (not-found ones included): bench/compare --baseline holds it against the plain call of
// an earlier build.
void BM_LibraryCarrierBatch(benchmark::State& state) {
  Batch& batch = Shared();
  std::vector<std::uint32_t> codes(kNumbers);
  std::vector<std::uint8_t> carriers(kNumbers);
  for (auto _ : state) {
    korvalind_lookup_numbers_ex(batch.directory, batch.numbers.data(), kNumbers, 0, codes.data(),
                                carriers.data());
    benchmark::DoNotOptimize(codes.data());
    benchmark::DoNotOptimize(carriers.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kNumbers));
}
BENCHMARK(BM_LibraryCarrierBatch)->Unit(benchmark::kMillisecond);

// Opening the bundled directory: load, index, answer table and code table.
void BM_LibraryOpen(benchmark::State& state) {
  const char* path = korvalind::bench::BundledDirectoryPath();
  for (auto _ : state) {
    korvalind_directory* directory = nullptr;
    korvalind_error error{};
    if (korvalind_open(path, &directory, &error) != KORVALIND_OK) std::abort();
    korvalind_close(directory);
  }
}
BENCHMARK(BM_LibraryOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
