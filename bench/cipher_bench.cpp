// Deciphering 64 MiB in place with each of our RC2 paths, beside nettle, OpenSSL 3 and memcpy
// as yardsticks. Run with --benchmark_repetitions=5 and read the medians.

#include <benchmark/benchmark.h>
#include <nettle/arctwo.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cipher/file_cipher.h"
#include "cipher/rc2.h"
#include "cipher/rc2_paths.h"

namespace korvalind {
namespace {

constexpr size_t kSize = size_t{64} << 20;
const std::uint8_t kKey[] = {'T', 'a', 'v', 'i', 'R', 'u', 's', 'k'};

std::vector<std::uint8_t>& Data() {
  static std::vector<std::uint8_t> data = [] {
    std::vector<std::uint8_t> bytes(kSize);
    std::mt19937 random(1);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
  }();
  return data;
}

const Rc2KeySchedule& Schedule() {
  static const Rc2KeySchedule schedule = [] {
    Rc2KeySchedule expanded;
    if (!Rc2ExpandKey(&expanded, kKey, sizeof kKey, 1024)) std::abort();
    return expanded;
  }();
  return schedule;
}

void Finish(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void DecipherWithPath(benchmark::State& state, Rc2Path path, unsigned threads) {
  std::vector<std::uint8_t>& data = Data();
  for (auto _ : state) {
    Rc2DecipherBlocksWith(path, Schedule(), data.data(), data.size(), threads);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void EncipherWithPath(benchmark::State& state, Rc2Path path) {
  std::vector<std::uint8_t>& data = Data();
  for (auto _ : state) {
    Rc2EncipherBlocksWith(path, Schedule(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void DecipherOneBlockAtATime(benchmark::State& state) {
  std::vector<std::uint8_t>& data = Data();
  for (auto _ : state) {
    for (size_t offset = 0; offset < data.size(); offset += kRc2BlockSize) {
      Rc2DecipherBlock(Schedule(), data.data() + offset, data.data() + offset);
    }
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void DecipherNettle(benchmark::State& state) {
  arctwo_ctx context;
  arctwo_set_key_ekb(&context, sizeof kKey, kKey, 1024);
  std::vector<std::uint8_t>& data = Data();
  for (auto _ : state) {
    arctwo_decrypt(&context, data.size(), data.data(), data.data());
    benchmark::ClobberMemory();
  }
  Finish(state);
}

// RC2 lives in OpenSSL 3's legacy provider. The effective key bits must be set after the key
// length and before the key itself.
void DecipherOpenSsl(benchmark::State& state) {
  OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "RC2-ECB", nullptr);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  bool ready = legacy != nullptr && cipher != nullptr && context != nullptr &&
               EVP_CipherInit_ex2(context, cipher, nullptr, nullptr, 0, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_key_length(context, sizeof kKey) == 1 &&
               EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_SET_RC2_KEY_BITS, 1024, nullptr) == 1 &&
               EVP_CipherInit_ex2(context, nullptr, kKey, nullptr, 0, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_padding(context, 0) == 1;

  // The yardstick must compute the same thing.
  std::uint8_t sample[64];
  std::uint8_t ours[64];
  std::memcpy(sample, Data().data(), sizeof sample);
  std::memcpy(ours, sample, sizeof ours);
  Rc2DecipherBlocksWith(Rc2Path::kPortable, Schedule(), ours, sizeof ours);
  int length = 0;
  ready = ready && EVP_CipherUpdate(context, sample, &length, sample, sizeof sample) == 1 &&
          std::memcmp(sample, ours, sizeof ours) == 0;
  if (!ready) state.SkipWithError("OpenSSL RC2-ECB is not available or disagrees");

  std::vector<std::uint8_t>& data = Data();
  for (auto _ : state) {
    if (!ready) break;
    EVP_CipherUpdate(context, data.data(), &length, data.data(), static_cast<int>(data.size()));
    benchmark::ClobberMemory();
  }
  Finish(state);
  EVP_CIPHER_CTX_free(context);
  EVP_CIPHER_free(cipher);
  if (standard != nullptr) OSSL_PROVIDER_unload(standard);
  if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
}

void Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t>& data = Data();
  std::vector<std::uint8_t> target(kSize, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), data.data(), data.size());
    benchmark::ClobberMemory();
  }
  Finish(state);
}

// The same copy in equal parts on several threads, the way deciphering is split: what memory
// allows that many cores at once.
void MemcpyOnThreads(benchmark::State& state, unsigned threads) {
  std::vector<std::uint8_t>& data = Data();
  std::vector<std::uint8_t> target(kSize, 1);
  const size_t share = kSize / threads;
  for (auto _ : state) {
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
      helpers.emplace_back(
          [&, i] { std::memcpy(target.data() + i * share, data.data() + i * share, share); });
    }
    std::memcpy(target.data(), data.data(), share);
    for (std::thread& helper : helpers) helper.join();
    benchmark::ClobberMemory();
  }
  Finish(state);
}

// The whole file operation, reading and writing in chunks, between two files in the temporary
// folder. Wall-clock time: most of it is copying to and from the page cache.
void DecipherWholeFile(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string source = (folder / "korvalind-bench-cipher.src").string();
  const std::string target = (folder / "korvalind-bench-cipher.dst").string();
  {
    std::ofstream out(source, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Data().data()), static_cast<std::streamsize>(kSize));
    if (!out) state.SkipWithError("cannot write the source file");
  }
  for (auto _ : state) {
    if (DecipherFile(source.c_str(), target.c_str(), CipherKey.c_str()) != 1) {
      state.SkipWithError("DecipherFile failed");
      break;
    }
  }
  Finish(state);
  std::error_code ignored;
  std::filesystem::remove(source, ignored);
  std::filesystem::remove(target, ignored);
}

void RegisterAll() {
  for (Rc2Path path : Rc2SupportedPaths()) {
    benchmark::RegisterBenchmark(("decipher/" + std::string(Rc2PathName(path))).c_str(),
                                 DecipherWithPath, path, 1u);
  }
  // What the program does with a large buffer: the best path on every usable processor. Wall
  // time, since the main thread's CPU time holds only its own part.
  const unsigned threads = Rc2Threads();
  if (threads > 1) {
    // Appended piece by piece: g++ 12 -O3 gives a false -Wrestrict for literal + string here.
    std::string suffix("/");
    suffix.append(std::to_string(threads)).append("_threads");
    std::string decipher("decipher/");
    decipher.append(Rc2PathName(Rc2SupportedPaths().back())).append(suffix);
    benchmark::RegisterBenchmark(decipher.c_str(), DecipherWithPath, Rc2SupportedPaths().back(),
                                 threads)
        ->UseRealTime();
    std::string copy("memcpy");
    copy.append(suffix);
    benchmark::RegisterBenchmark(copy.c_str(), MemcpyOnThreads, threads)->UseRealTime();
  }
  benchmark::RegisterBenchmark("decipher/one_block_at_a_time", DecipherOneBlockAtATime);
  benchmark::RegisterBenchmark("decipher/nettle", DecipherNettle);
  benchmark::RegisterBenchmark("decipher/openssl", DecipherOpenSsl);
  benchmark::RegisterBenchmark("memcpy", Memcpy);
  benchmark::RegisterBenchmark("decipher_file/active_path", DecipherWholeFile)->UseRealTime();
  for (Rc2Path path : Rc2SupportedPaths()) {
    benchmark::RegisterBenchmark(("encipher/" + std::string(Rc2PathName(path))).c_str(),
                                 EncipherWithPath, path);
  }
}

}  // namespace
}  // namespace korvalind

int main(int argc, char** argv) {
  korvalind::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
