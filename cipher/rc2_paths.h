#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "cipher/rc2.h"

namespace korvalind {

// The implementations behind Rc2EncipherBlocks and Rc2DecipherBlocks. Every one gives exactly the
// bytes of the one-block operations; they differ only in speed and in what the processor needs.
enum class Rc2Path {
  kPortable,     // plain C++, any processor
  kSse2,         // x86 SSE2
  kAvx2,         // x86 AVX2
  kAvx512,       // x86 AVX512F and AVX512BW
  kAvx512Vbmi2,  // the same with AVX512_VBMI2
};

// Names this environment variable may hold to force a path: portable, sse2, avx2, avx512,
// avx512vbmi2. A path the processor lacks, or an unknown name, gives the best supported path.
inline constexpr char kRc2PathVariable[] = "KORVALIND_RC2_PATH";

std::string_view Rc2PathName(Rc2Path path);
std::optional<Rc2Path> Rc2PathFromName(std::string_view name);

// The paths this processor (and this build) can run, slowest first; portable is always there.
std::vector<Rc2Path> Rc2SupportedPaths();
bool Rc2PathSupported(Rc2Path path);

// The path a value of the environment variable selects (nullptr: not set).
Rc2Path Rc2ChoosePath(const char* forced);

// The path Rc2EncipherBlocks and Rc2DecipherBlocks use: chosen once, at their first call, from
// the environment variable.
Rc2Path Rc2ActivePath();

// A buffer of at least twice this many bytes is cut into parts of at least this size, done at
// once on several threads: starting a thread costs tens of microseconds, about what the fastest
// path needs for 256 KiB.
inline constexpr size_t kRc2BytesPerThread = size_t{1} << 20;
inline constexpr unsigned kRc2MaxThreads = 8;

// The threads Rc2EncipherBlocks and Rc2DecipherBlocks may use for one buffer: the processors this
// process may run on, at most kRc2MaxThreads. Found once.
unsigned Rc2Threads();

// Rc2EncipherBlocks and Rc2DecipherBlocks with a given path and at most `threads` threads; a path
// the processor lacks is replaced by the best supported one. For tests and benchmarks.
void Rc2EncipherBlocksWith(Rc2Path path, const Rc2KeySchedule& schedule, std::uint8_t* data,
                           size_t size, unsigned threads = 1);
void Rc2DecipherBlocksWith(Rc2Path path, const Rc2KeySchedule& schedule, std::uint8_t* data,
                           size_t size, unsigned threads = 1);

}  // namespace korvalind
