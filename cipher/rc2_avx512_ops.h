#pragma once

// The AVX-512 operations for rc2_simd.h, shared by the AVX512BW file and the one that may also
// use VBMI2's double shifts as 16-bit rotations. Included only by those two files.

// GCC 12 takes the deliberately undefined pass-through operand inside its own AVX-512 unpack
// intrinsics for an uninitialised variable.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "cipher/rc2_simd.h"

namespace korvalind::rc2_kernels {
namespace {

template <bool kVbmi2>
struct Avx512Ops {
  using V = __m512i;
  static constexpr size_t kLanes = 32;

  // The 64 key words fill two vectors; a two-source word permutation reads K[x AND 63] directly.
  struct Table {
    V low, high;
  };
  static Table MakeTable(const std::uint16_t* k) {
    return {_mm512_loadu_si512(k), _mm512_loadu_si512(k + 32)};
  }

  KORVALIND_RC2_INLINE static V Broadcast(std::uint16_t word) {
    return _mm512_set1_epi16(static_cast<short>(word));
  }

  // Within each 128-bit quarter, as in the SSE2 transposition.
  KORVALIND_RC2_INLINE static void Load(const std::uint8_t* p, V r[4]) {
    const V x0 = _mm512_loadu_si512(p);
    const V x1 = _mm512_loadu_si512(p + 64);
    const V x2 = _mm512_loadu_si512(p + 128);
    const V x3 = _mm512_loadu_si512(p + 192);
    const V t0 = _mm512_unpacklo_epi16(x0, x1);
    const V t1 = _mm512_unpackhi_epi16(x0, x1);
    const V t2 = _mm512_unpacklo_epi16(x2, x3);
    const V t3 = _mm512_unpackhi_epi16(x2, x3);
    const V u0 = _mm512_unpacklo_epi16(t0, t1);
    const V u1 = _mm512_unpackhi_epi16(t0, t1);
    const V u2 = _mm512_unpacklo_epi16(t2, t3);
    const V u3 = _mm512_unpackhi_epi16(t2, t3);
    r[0] = _mm512_unpacklo_epi64(u0, u2);
    r[1] = _mm512_unpackhi_epi64(u0, u2);
    r[2] = _mm512_unpacklo_epi64(u1, u3);
    r[3] = _mm512_unpackhi_epi64(u1, u3);
  }

  KORVALIND_RC2_INLINE static void Store(const V r[4], std::uint8_t* p) {
    const V p0 = _mm512_unpacklo_epi16(r[0], r[1]);
    const V p1 = _mm512_unpackhi_epi16(r[0], r[1]);
    const V p2 = _mm512_unpacklo_epi16(r[2], r[3]);
    const V p3 = _mm512_unpackhi_epi16(r[2], r[3]);
    _mm512_storeu_si512(p, _mm512_unpacklo_epi32(p0, p2));
    _mm512_storeu_si512(p + 64, _mm512_unpackhi_epi32(p0, p2));
    _mm512_storeu_si512(p + 128, _mm512_unpacklo_epi32(p1, p3));
    _mm512_storeu_si512(p + 192, _mm512_unpackhi_epi32(p1, p3));
  }

  KORVALIND_RC2_INLINE static V Add(V a, V b) { return _mm512_add_epi16(a, b); }
  KORVALIND_RC2_INLINE static V Sub(V a, V b) { return _mm512_sub_epi16(a, b); }
  // 0xca is the truth table of "a ? b : c".
  KORVALIND_RC2_INLINE static V Select(V a, V b, V c) {
    return _mm512_ternarylogic_epi32(a, b, c, 0xca);
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateLeft(V x) {
    if constexpr (kVbmi2) {
      return _mm512_shldi_epi16(x, x, kShift);
    } else {
      return _mm512_or_si512(_mm512_slli_epi16(x, kShift), _mm512_srli_epi16(x, 16 - kShift));
    }
  }
  template <int kShift>
  KORVALIND_RC2_INLINE static V RotateRight(V x) {
    if constexpr (kVbmi2) {
      return _mm512_shrdi_epi16(x, x, kShift);
    } else {
      return _mm512_or_si512(_mm512_srli_epi16(x, kShift), _mm512_slli_epi16(x, 16 - kShift));
    }
  }

  // The permutation uses only the low six bits of each index lane.
  KORVALIND_RC2_INLINE static V Lookup(const Table& table, V x) {
    return _mm512_permutex2var_epi16(table.low, x, table.high);
  }
};

}  // namespace
}  // namespace korvalind::rc2_kernels
