// Loading the bundled directory (read, decipher, checks, index), the checks of the tables and
// the index alone, and the whole maintainer pipeline on the bundled dumps. Run with
// --benchmark_repetitions=5.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_inputs.h"
#include "directory/directory_index.h"
#include "directory/image_check.h"
#include "directory/loader.h"
#include "tools/directory_builder.h"
#include "tools/place_list.h"

namespace korvalind {
namespace {

void BM_LoadBundledDirectory(benchmark::State& state) {
  for (auto _ : state) {
    DirectoryImage image;
    if (!LoadDirectory(bench::BundledDirectoryPath(), &image).ok()) std::abort();
    benchmark::DoNotOptimize(image);
  }
}
// Wall time: a large directory is deciphered on several threads.
BENCHMARK(BM_LoadBundledDirectory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The checks of the two tables alone, part of every load.
void BM_CheckTables(benchmark::State& state) {
  DirectoryImage image;
  if (!LoadDirectory(bench::BundledDirectoryPath(), &image).ok()) std::abort();
  const std::string_view bytes(reinterpret_cast<const char*>(image.data.data()), image.data.size());
  for (auto _ : state) {
    std::string fault = FindTableFault(bytes, image.placeTableEnd, image.zoneTableEnd);
    benchmark::DoNotOptimize(fault);
  }
  state.counters["table_bytes"] = image.zoneTableEnd;
}
BENCHMARK(BM_CheckTables)->Unit(benchmark::kMicrosecond);

void BM_BuildIndex(benchmark::State& state) {
  DirectoryImage image;
  if (!LoadDirectory(bench::BundledDirectoryPath(), &image).ok()) std::abort();
  for (auto _ : state) {
    auto index = DirectoryIndex::Build(image);
    benchmark::DoNotOptimize(index);
  }
  state.counters["bytes"] = static_cast<double>(DirectoryIndex::Build(image)->MemoryBytes());
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

// make-directory as a fresh process runs it: the lists start empty every time.
void BM_MakeDirectory(benchmark::State& state) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("korvalind-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  for (const char* dump : {"areacode", "city", "simcard2.sql"}) {
    fs::copy_file(fs::path(KORVALIND_SOURCE_DATA) / dump, folder / dump,
                  fs::copy_options::overwrite_existing);
  }
  const std::string output = (folder / "out.dat").string();
  for (auto _ : state) {
    state.PauseTiming();
    PlaceList.ResetForTesting();
    ZoneList.ResetForTesting();
    state.ResumeTiming();
    MakeDirectoryStats stats;
    if (!MakeDirectory(folder.string(), output, nullptr, &stats).ok()) std::abort();
    benchmark::DoNotOptimize(stats);
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_MakeDirectory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvalind

BENCHMARK_MAIN();
