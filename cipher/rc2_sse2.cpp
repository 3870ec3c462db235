// RC2 on eight blocks per 128-bit vector, with SSE2 only.

#include <emmintrin.h>

#include "cipher/rc2_kernels.h"
#include "cipher/rc2_simd.h"

namespace korvalind::rc2_kernels {
namespace {

struct Sse2Ops {
  using V = __m128i;
  static constexpr size_t kLanes = 8;

  // SSE2 has no byte shuffle, so the mash reads the key words one lane at a time.
  struct Table {
    const std::uint16_t* k;
  };
  static Table MakeTable(const std::uint16_t* k) { return {k}; }

  KORVALIND_RC2_INLINE static V Broadcast(std::uint16_t word) {
    return _mm_set1_epi16(static_cast<short>(word));
  }

  // Blocks A..H, two per vector, become R[i] = A_i B_i ... H_i.
  KORVALIND_RC2_INLINE static void Load(const std::uint8_t* p, V r[4]) {
    const V x0 = _mm_loadu_si128(reinterpret_cast<const V*>(p));
    const V x1 = _mm_loadu_si128(reinterpret_cast<const V*>(p + 16));
    const V x2 = _mm_loadu_si128(reinterpret_cast<const V*>(p + 32));
    const V x3 = _mm_loadu_si128(reinterpret_cast<const V*>(p + 48));
    const V t0 = _mm_unpacklo_epi16(x0, x1);
    const V t1 = _mm_unpackhi_epi16(x0, x1);
    const V t2 = _mm_unpacklo_epi16(x2, x3);
    const V t3 = _mm_unpackhi_epi16(x2, x3);
    const V u0 = _mm_unpacklo_epi16(t0, t1);
    const V u1 = _mm_unpackhi_epi16(t0, t1);
    const V u2 = _mm_unpacklo_epi16(t2, t3);
    const V u3 = _mm_unpackhi_epi16(t2, t3);
    r[0] = _mm_unpacklo_epi64(u0, u2);
    r[1] = _mm_unpackhi_epi64(u0, u2);
    r[2] = _mm_unpacklo_epi64(u1, u3);
    r[3] = _mm_unpackhi_epi64(u1, u3);
  }

  KORVALIND_RC2_INLINE static void Store(const V r[4], std::uint8_t* p) {
    const V p0 = _mm_unpacklo_epi16(r[0], r[1]);
    const V p1 = _mm_unpackhi_epi16(r[0], r[1]);
    const V p2 = _mm_unpacklo_epi16(r[2], r[3]);
    const V p3 = _mm_unpackhi_epi16(r[2], r[3]);
    _mm_storeu_si128(reinterpret_cast<V*>(p), _mm_unpacklo_epi32(p0, p2));
    _mm_storeu_si128(reinterpret_cast<V*>(p + 16), _mm_unpackhi_epi32(p0, p2));
    _mm_storeu_si128(reinterpret_cast<V*>(p + 32), _mm_unpacklo_epi32(p1, p3));
    _mm_storeu_si128(reinterpret_cast<V*>(p + 48), _mm_unpackhi_epi32(p1, p3));
  }

  KORVALIND_RC2_INLINE static V Add(V a, V b) { return _mm_add_epi16(a, b); }
  KORVALIND_RC2_INLINE static V Sub(V a, V b) { return _mm_sub_epi16(a, b); }
  // Two steps deep from every input, which matters on the deciphering side, where c is the word
  // just computed.
  KORVALIND_RC2_INLINE static V Select(V a, V b, V c) {
    return _mm_or_si128(_mm_and_si128(a, b), _mm_andnot_si128(a, c));
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateLeft(V x) {
    return _mm_or_si128(_mm_slli_epi16(x, kShift), _mm_srli_epi16(x, 16 - kShift));
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateRight(V x) {
    return _mm_or_si128(_mm_srli_epi16(x, kShift), _mm_slli_epi16(x, 16 - kShift));
  }

  KORVALIND_RC2_INLINE static V Lookup(const Table& table, V x) {
    alignas(16) std::uint16_t index[kLanes];
    alignas(16) std::uint16_t word[kLanes];
    _mm_store_si128(reinterpret_cast<V*>(index), x);
#pragma GCC unroll 8
    for (size_t lane = 0; lane < kLanes; ++lane) word[lane] = table.k[index[lane] & 63];
    return _mm_load_si128(reinterpret_cast<const V*>(word));
  }
};

// Measured best among 2, 3 and 4 sets.
constexpr int kSets = 4;

}  // namespace

void EncipherSse2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Sse2Ops, kSets, true>(key_words, data, blocks);
}

void DecipherSse2(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  rc2_simd::RunBlocks<Sse2Ops, kSets, false>(key_words, data, blocks);
}

}  // namespace korvalind::rc2_kernels
