#pragma once

// The many-block RC2 kernels, one pair per instruction set. key_words is K[0..63]; data holds
// blocks 8-byte blocks, transformed in place. Only rc2_dispatch.cpp calls these, and only those
// the processor supports.

#include <cstddef>
#include <cstdint>

namespace korvalind::rc2_kernels {

using Kernel = void (*)(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);

void EncipherPortable(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void DecipherPortable(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);

// x86 only; built only there.
void EncipherSse2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void DecipherSse2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void EncipherAvx2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void DecipherAvx2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void EncipherAvx512(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void DecipherAvx512(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void EncipherAvx512Vbmi2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);
void DecipherAvx512Vbmi2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks);

}  // namespace korvalind::rc2_kernels
