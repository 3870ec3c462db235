#pragma once

// Spreading one buffer of independent blocks over several threads.

#include <cstddef>
#include <cstdint>

#include "cipher/rc2_kernels.h"

namespace korvalind::rc2_kernels {

// Runs kernel over data's blocks. With threads > 1 and a buffer of at least two parts of
// minimum_part_blocks, the buffer is cut into that many equal parts (at most threads), one done
// on the calling thread and the others each on a thread of its own; all are finished on return.
// A thread that cannot be started leaves its part to the calling thread.
void RunSplit(Kernel kernel, const std::uint16_t* key_words, std::uint8_t* data, size_t blocks,
              unsigned threads, size_t minimum_part_blocks);

}  // namespace korvalind::rc2_kernels
