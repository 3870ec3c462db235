// RC2 on 32 blocks per 512-bit vector, with AVX512BW and VBMI2's one-instruction rotations.

#include "cipher/rc2_avx512_ops.h"
#include "cipher/rc2_kernels.h"

namespace korvalind::rc2_kernels {
namespace {

// Measured best: with fewer sets the dependency chains show, with more the 32 registers spill.
constexpr int kSets = 6;

}  // namespace

void EncipherAvx512Vbmi2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Avx512Ops<true>, kSets, true>(key_words, data, blocks);
}

void DecipherAvx512Vbmi2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Avx512Ops<true>, kSets, false>(key_words, data, blocks);
}

}  // namespace korvalind::rc2_kernels
