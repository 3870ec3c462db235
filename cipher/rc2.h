#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvalind {

// RC2 as published in RFC 2268: 64-bit blocks, keys of 1 to 128 bytes, effective key bits.
inline constexpr size_t kRc2BlockSize = 8;

// The expanded key: 64 words K[0..63], each composed little-endian from two expansion bytes.
struct Rc2KeySchedule {
  std::array<std::uint16_t, 64> K{};
};

// Fills *schedule from keyLength key bytes (only the first 128 count). effectiveBits is the RFC's
// T1; 0 means 1024, and so do values above 1024. Returns false, leaving *schedule unchanged, for
// an empty key, which lies outside the RFC's range.
[[nodiscard]] bool Rc2ExpandKey(Rc2KeySchedule* schedule, const std::uint8_t* key, size_t keyLength,
                                unsigned effectiveBits);

// One 8-byte block each way. Both take the plaintext buffer before the ciphertext buffer.
void Rc2EncipherBlock(const Rc2KeySchedule& schedule, const std::uint8_t* plainBlock,
                      std::uint8_t* cipherBlock);
void Rc2DecipherBlock(const Rc2KeySchedule& schedule, std::uint8_t* plainBlock,
                      const std::uint8_t* cipherBlock);

// Many blocks in place, electronic-codebook fashion (each block by itself). size should be a
// multiple of 8; a shorter tail is left as it is. Results equal the one-block operations applied
// block by block; the fastest implementation the processor supports is used, and a buffer of
// 2 MiB or more is spread over the usable processors (cipher/rc2_paths.h).
void Rc2EncipherBlocks(const Rc2KeySchedule& schedule, std::uint8_t* data, size_t size);
void Rc2DecipherBlocks(const Rc2KeySchedule& schedule, std::uint8_t* data, size_t size);

}  // namespace korvalind
