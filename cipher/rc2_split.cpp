#include "cipher/rc2_split.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>

#include "cipher/rc2.h"
#include "cipher/rc2_paths.h"

namespace korvalind::rc2_kernels {
namespace {

constexpr size_t kMaxParts = kRc2MaxThreads;

// Parts start on a multiple of this many blocks, so that each keeps the widest kernel's full
// strides and only the last one has a tail.
constexpr size_t kPartAlignment = 64;

}  // namespace

void RunSplit(Kernel kernel, const std::uint16_t* key_words, std::uint8_t* data, size_t blocks,
              unsigned threads, size_t minimum_part_blocks) {
  const size_t minimum = std::max<size_t>(minimum_part_blocks, 1);
  const size_t parts = std::min({size_t{threads}, blocks / minimum, kMaxParts});
  if (parts < 2) {
    kernel(key_words, data, blocks);
    return;
  }
  const size_t share = (blocks / parts + kPartAlignment - 1) / kPartAlignment * kPartAlignment;
  std::array<std::thread, kMaxParts> helpers;
  size_t started = 0;
  for (size_t at = share; at < blocks; at += share) {
    const size_t count = std::min(share, blocks - at);
    std::uint8_t* part = data + at * kRc2BlockSize;
    try {
      helpers[started] = std::thread(kernel, key_words, part, count);
      ++started;
    } catch (const std::system_error&) {
      kernel(key_words, part, count);  // no thread to be had: do it here
    }
  }
  kernel(key_words, data, std::min(share, blocks));
  for (size_t i = 0; i < started; ++i) helpers[i].join();
}

}  // namespace korvalind::rc2_kernels
