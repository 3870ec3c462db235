#include <algorithm>
#include <cstdlib>

#include "cipher/rc2.h"
#include "cipher/rc2_kernels.h"
#include "cipher/rc2_paths.h"
#include "cipher/rc2_split.h"
#include "platform/processors.h"

namespace korvalind {
namespace {

struct PathInfo {
  Rc2Path path;
  std::string_view name;
  rc2_kernels::Kernel encipher;
  rc2_kernels::Kernel decipher;
};

// Slowest first.
constexpr PathInfo kPaths[] = {
    {Rc2Path::kPortable, "portable", rc2_kernels::EncipherPortable, rc2_kernels::DecipherPortable},
#if defined(KORVALIND_RC2_X86)
    {Rc2Path::kSse2, "sse2", rc2_kernels::EncipherSse2, rc2_kernels::DecipherSse2},
    {Rc2Path::kAvx2, "avx2", rc2_kernels::EncipherAvx2, rc2_kernels::DecipherAvx2},
    {Rc2Path::kAvx512, "avx512", rc2_kernels::EncipherAvx512, rc2_kernels::DecipherAvx512},
    {Rc2Path::kAvx512Vbmi2, "avx512vbmi2", rc2_kernels::EncipherAvx512Vbmi2,
     rc2_kernels::DecipherAvx512Vbmi2},
#endif
};

// __builtin_cpu_supports also checks that the operating system saves the wider registers.
bool CpuHas(Rc2Path path) {
#if defined(KORVALIND_RC2_X86)
  __builtin_cpu_init();
  switch (path) {
    case Rc2Path::kPortable:
      return true;
    case Rc2Path::kSse2:
      return __builtin_cpu_supports("sse2");
    case Rc2Path::kAvx2:
      return __builtin_cpu_supports("avx2");
    case Rc2Path::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    case Rc2Path::kAvx512Vbmi2:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vbmi2");
  }
  return false;
#else
  return path == Rc2Path::kPortable;
#endif
}

const PathInfo* Find(Rc2Path path) {
  for (const PathInfo& info : kPaths) {
    if (info.path == path) return &info;
  }
  return nullptr;
}

const PathInfo& Best() {
  const PathInfo* best = &kPaths[0];
  for (const PathInfo& info : kPaths) {
    if (CpuHas(info.path)) best = &info;
  }
  return *best;
}

const PathInfo& Usable(Rc2Path path) {
  const PathInfo* info = Find(path);
  return info != nullptr && CpuHas(path) ? *info : Best();
}

const PathInfo& Active() {
  static const PathInfo& active = Usable(Rc2ChoosePath(std::getenv(kRc2PathVariable)));
  return active;
}

constexpr size_t kMinimumPartBlocks = kRc2BytesPerThread / kRc2BlockSize;

}  // namespace

std::string_view Rc2PathName(Rc2Path path) {
  switch (path) {
    case Rc2Path::kPortable:
      return "portable";
    case Rc2Path::kSse2:
      return "sse2";
    case Rc2Path::kAvx2:
      return "avx2";
    case Rc2Path::kAvx512:
      return "avx512";
    case Rc2Path::kAvx512Vbmi2:
      return "avx512vbmi2";
  }
  return "unknown";
}

std::optional<Rc2Path> Rc2PathFromName(std::string_view name) {
  for (Rc2Path path : {Rc2Path::kPortable, Rc2Path::kSse2, Rc2Path::kAvx2, Rc2Path::kAvx512,
                       Rc2Path::kAvx512Vbmi2}) {
    if (Rc2PathName(path) == name) return path;
  }
  return std::nullopt;
}

std::vector<Rc2Path> Rc2SupportedPaths() {
  std::vector<Rc2Path> paths;
  for (const PathInfo& info : kPaths) {
    if (CpuHas(info.path)) paths.push_back(info.path);
  }
  return paths;
}

bool Rc2PathSupported(Rc2Path path) { return Find(path) != nullptr && CpuHas(path); }

Rc2Path Rc2ChoosePath(const char* forced) {
  if (forced != nullptr) {
    std::optional<Rc2Path> path = Rc2PathFromName(forced);
    if (path && Rc2PathSupported(*path)) return *path;
  }
  return Best().path;
}

Rc2Path Rc2ActivePath() { return Active().path; }

unsigned Rc2Threads() {
  static const unsigned threads = std::min(UsableProcessors(), kRc2MaxThreads);
  return threads;
}

void Rc2EncipherBlocksWith(Rc2Path path, const Rc2KeySchedule& schedule, std::uint8_t* data,
                           size_t size, unsigned threads) {
  rc2_kernels::RunSplit(Usable(path).encipher, schedule.K.data(), data, size / kRc2BlockSize,
                        threads, kMinimumPartBlocks);
}

void Rc2DecipherBlocksWith(Rc2Path path, const Rc2KeySchedule& schedule, std::uint8_t* data,
                           size_t size, unsigned threads) {
  rc2_kernels::RunSplit(Usable(path).decipher, schedule.K.data(), data, size / kRc2BlockSize,
                        threads, kMinimumPartBlocks);
}

void Rc2EncipherBlocks(const Rc2KeySchedule& schedule, std::uint8_t* data, size_t size) {
  rc2_kernels::RunSplit(Active().encipher, schedule.K.data(), data, size / kRc2BlockSize,
                        Rc2Threads(), kMinimumPartBlocks);
}

void Rc2DecipherBlocks(const Rc2KeySchedule& schedule, std::uint8_t* data, size_t size) {
  rc2_kernels::RunSplit(Active().decipher, schedule.K.data(), data, size / kRc2BlockSize,
                        Rc2Threads(), kMinimumPartBlocks);
}

}  // namespace korvalind
