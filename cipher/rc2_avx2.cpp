// RC2 on sixteen blocks per 256-bit vector, with AVX2.

#include <immintrin.h>

#include "cipher/rc2_kernels.h"
#include "cipher/rc2_simd.h"

namespace korvalind::rc2_kernels {
namespace {

struct Avx2Ops {
  using V = __m256i;
  static constexpr size_t kLanes = 16;

  // The mash reads K[x] with byte shuffles, which look up 16 bytes: eight key words each. Part t
  // holds K[8t..8t+7] XOR K[8t-8..8t-1], so that the lookups of parts 0..t XOR to K[8t+n].
  struct Table {
    V part[8];
  };
  static Table MakeTable(const std::uint16_t* k) {
    Table table;
    for (int t = 0; t < 8; ++t) {
      alignas(16) std::uint16_t words[8];
      for (int n = 0; n < 8; ++n) {
        words[n] = static_cast<std::uint16_t>(k[8 * t + n] ^ (t > 0 ? k[8 * t - 8 + n] : 0));
      }
      table.part[t] =
          _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<__m128i*>(words)));
    }
    return table;
  }

  KORVALIND_RC2_INLINE static V Broadcast(std::uint16_t word) {
    return _mm256_set1_epi16(static_cast<short>(word));
  }

  // Within each 128-bit half, as in the SSE2 transposition.
  KORVALIND_RC2_INLINE static void Load(const std::uint8_t* p, V r[4]) {
    const V x0 = _mm256_loadu_si256(reinterpret_cast<const V*>(p));
    const V x1 = _mm256_loadu_si256(reinterpret_cast<const V*>(p + 32));
    const V x2 = _mm256_loadu_si256(reinterpret_cast<const V*>(p + 64));
    const V x3 = _mm256_loadu_si256(reinterpret_cast<const V*>(p + 96));
    const V t0 = _mm256_unpacklo_epi16(x0, x1);
    const V t1 = _mm256_unpackhi_epi16(x0, x1);
    const V t2 = _mm256_unpacklo_epi16(x2, x3);
    const V t3 = _mm256_unpackhi_epi16(x2, x3);
    const V u0 = _mm256_unpacklo_epi16(t0, t1);
    const V u1 = _mm256_unpackhi_epi16(t0, t1);
    const V u2 = _mm256_unpacklo_epi16(t2, t3);
    const V u3 = _mm256_unpackhi_epi16(t2, t3);
    r[0] = _mm256_unpacklo_epi64(u0, u2);
    r[1] = _mm256_unpackhi_epi64(u0, u2);
    r[2] = _mm256_unpacklo_epi64(u1, u3);
    r[3] = _mm256_unpackhi_epi64(u1, u3);
  }

  KORVALIND_RC2_INLINE static void Store(const V r[4], std::uint8_t* p) {
    const V p0 = _mm256_unpacklo_epi16(r[0], r[1]);
    const V p1 = _mm256_unpackhi_epi16(r[0], r[1]);
    const V p2 = _mm256_unpacklo_epi16(r[2], r[3]);
    const V p3 = _mm256_unpackhi_epi16(r[2], r[3]);
    _mm256_storeu_si256(reinterpret_cast<V*>(p), _mm256_unpacklo_epi32(p0, p2));
    _mm256_storeu_si256(reinterpret_cast<V*>(p + 32), _mm256_unpackhi_epi32(p0, p2));
    _mm256_storeu_si256(reinterpret_cast<V*>(p + 64), _mm256_unpacklo_epi32(p1, p3));
    _mm256_storeu_si256(reinterpret_cast<V*>(p + 96), _mm256_unpackhi_epi32(p1, p3));
  }

  KORVALIND_RC2_INLINE static V Add(V a, V b) { return _mm256_add_epi16(a, b); }
  KORVALIND_RC2_INLINE static V Sub(V a, V b) { return _mm256_sub_epi16(a, b); }
  // Two steps deep from every input, which matters on the deciphering side, where c is the word
  // just computed.
  KORVALIND_RC2_INLINE static V Select(V a, V b, V c) {
    return _mm256_or_si256(_mm256_and_si256(a, b), _mm256_andnot_si256(a, c));
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateLeft(V x) {
    return _mm256_or_si256(_mm256_slli_epi16(x, kShift), _mm256_srli_epi16(x, 16 - kShift));
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateRight(V x) {
    return _mm256_or_si256(_mm256_srli_epi16(x, kShift), _mm256_slli_epi16(x, 16 - kShift));
  }

  // Byte indexes into the 128-byte key: 2(x AND 63) for the low byte of each lane, one more for
  // the high byte. Each step down by 16 passes to the next part; a negative index (top bit set)
  // makes the shuffle give zero, so part t contributes only when x >= 8t.
  KORVALIND_RC2_INLINE static V Lookup(const Table& table, V x) {
    const V twice = _mm256_and_si256(_mm256_add_epi16(x, x), _mm256_set1_epi16(0x7e));
    V index = _mm256_or_si256(_mm256_or_si256(twice, _mm256_slli_epi16(twice, 8)),
                              _mm256_set1_epi16(0x0100));
    const V step = _mm256_set1_epi8(16);
    V word = _mm256_shuffle_epi8(table.part[0], index);
#pragma GCC unroll 8
    for (int t = 1; t < 8; ++t) {
      index = _mm256_sub_epi8(index, step);
      word = _mm256_xor_si256(word, _mm256_shuffle_epi8(table.part[t], index));
    }
    return word;
  }
};

// Measured best among 2, 3 and 4 sets.
constexpr int kSets = 4;

}  // namespace

void EncipherAvx2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Avx2Ops, kSets, true>(key_words, data, blocks);
}

void DecipherAvx2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Avx2Ops, kSets, false>(key_words, data, blocks);
}

}  // namespace korvalind::rc2_kernels
