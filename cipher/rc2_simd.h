#pragma once

// The RC2 rounds written once for every vector instruction set. Each instruction-set file
// defines an Ops type in its own unnamed namespace and instantiates RunBlocks with it; since the
// template's arguments are then local to that file, none of the code compiled for one instruction
// set can be picked by the linker for a caller built for another.
//
// An Ops type provides:
//   V                      a vector of 16-bit lanes; kLanes lanes, so one "set" of four vectors
//                          holds the words R[0..3] of kLanes blocks;
//   Table, MakeTable(k)    what Lookup needs to read K[0..63];
//   Broadcast(word)        word in every lane;
//   Load(p, r) / Store(r, p)  kLanes blocks from or to memory, transposed to or from r[0..3];
//   Add, Sub               lane-wise modulo 2^16;
//   Select(a, b, c)        (a AND b) OR (NOT a AND c), bit by bit;
//   RotateLeft<s>, RotateRight<s>  within each 16-bit lane;
//   Lookup(table, x)       K[x AND 63] in every lane.

#include <cstddef>
#include <cstdint>

#define KORVALIND_RC2_INLINE inline __attribute__((always_inline))

namespace korvalind::rc2_simd {
namespace {

// kSets independent sets go through each step together: one set's words form a chain of
// dependent operations, and the other sets fill the gaps. GCC 12 at -O2 leaves Mix and Unmix out
// of line when there are several sets, handing the sets over through memory, so every step is
// forced inline and the per-set loops are unrolled to keep the sets in registers.
template <class Ops, int kSets>
struct Rounds {
  using V = typename Ops::V;
  using Set = V[4];

  template <int kI, int kShift>
  KORVALIND_RC2_INLINE static void MixWord(Set* r, V k) {
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) {
      V sum = Ops::Add(r[s][kI], k);
      sum = Ops::Add(sum, Ops::Select(r[s][(kI + 3) & 3], r[s][(kI + 2) & 3], r[s][(kI + 1) & 3]));
      r[s][kI] = Ops::template RotateLeft<kShift>(sum);
    }
  }

  template <int kI, int kShift>
  KORVALIND_RC2_INLINE static void UnmixWord(Set* r, V k) {
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) {
      V word = Ops::Sub(Ops::template RotateRight<kShift>(r[s][kI]), k);
      r[s][kI] =
          Ops::Sub(word, Ops::Select(r[s][(kI + 3) & 3], r[s][(kI + 2) & 3], r[s][(kI + 1) & 3]));
    }
  }

  KORVALIND_RC2_INLINE static void Mix(Set* r, const V* k) {
    MixWord<0, 1>(r, k[0]);
    MixWord<1, 2>(r, k[1]);
    MixWord<2, 3>(r, k[2]);
    MixWord<3, 5>(r, k[3]);
  }

  KORVALIND_RC2_INLINE static void Unmix(Set* r, const V* k) {
    UnmixWord<3, 5>(r, k[3]);
    UnmixWord<2, 3>(r, k[2]);
    UnmixWord<1, 2>(r, k[1]);
    UnmixWord<0, 1>(r, k[0]);
  }

  KORVALIND_RC2_INLINE static void Mash(Set* r, const typename Ops::Table& table) {
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
#pragma GCC unroll 8
      for (int s = 0; s < kSets; ++s) {
        r[s][i] = Ops::Add(r[s][i], Ops::Lookup(table, r[s][(i + 3) & 3]));
      }
    }
  }

  KORVALIND_RC2_INLINE static void Unmash(Set* r, const typename Ops::Table& table) {
#pragma GCC unroll 4
    for (int i = 3; i >= 0; --i) {
#pragma GCC unroll 8
      for (int s = 0; s < kSets; ++s) {
        r[s][i] = Ops::Sub(r[s][i], Ops::Lookup(table, r[s][(i + 3) & 3]));
      }
    }
  }

  // k: the 64 key words, each broadcast to a whole vector.
  KORVALIND_RC2_INLINE static void Encipher(const V* k, const typename Ops::Table& table,
                                            std::uint8_t* data) {
    Set r[kSets];
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) Ops::Load(data + s * Ops::kLanes * 8, r[s]);
    for (int round = 0; round < 5; ++round) Mix(r, k + 4 * round);
    Mash(r, table);
    for (int round = 5; round < 11; ++round) Mix(r, k + 4 * round);
    Mash(r, table);
    for (int round = 11; round < 16; ++round) Mix(r, k + 4 * round);
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) Ops::Store(r[s], data + s * Ops::kLanes * 8);
  }

  KORVALIND_RC2_INLINE static void Decipher(const V* k, const typename Ops::Table& table,
                                            std::uint8_t* data) {
    Set r[kSets];
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) Ops::Load(data + s * Ops::kLanes * 8, r[s]);
    for (int round = 15; round > 10; --round) Unmix(r, k + 4 * round);
    Unmash(r, table);
    for (int round = 10; round > 4; --round) Unmix(r, k + 4 * round);
    Unmash(r, table);
    for (int round = 4; round >= 0; --round) Unmix(r, k + 4 * round);
#pragma GCC unroll 8
    for (int s = 0; s < kSets; ++s) Ops::Store(r[s], data + s * Ops::kLanes * 8);
  }
};

template <class Ops, int kSets, bool kEncipher>
KORVALIND_RC2_INLINE void RunSets(const typename Ops::V* k, const typename Ops::Table& table,
                                  std::uint8_t* data) {
  if constexpr (kEncipher) {
    Rounds<Ops, kSets>::Encipher(k, table, data);
  } else {
    Rounds<Ops, kSets>::Decipher(k, table, data);
  }
}

// blocks 8-byte blocks at data, in place: kSets sets at a time while they last, then one set at a
// time, then the last partial set through a zero-filled copy so that nothing beyond data is read.
template <class Ops, int kSets, bool kEncipher>
void RunBlocks(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  using V = typename Ops::V;
  constexpr size_t kSetBytes = Ops::kLanes * 8;
  if (blocks == 0) return;
  V k[64];
  for (int j = 0; j < 64; ++j) k[j] = Ops::Broadcast(key_words[j]);
  const typename Ops::Table table = Ops::MakeTable(key_words);

  size_t bytes = blocks * 8;
  for (; bytes >= kSets * kSetBytes; bytes -= kSets * kSetBytes, data += kSets * kSetBytes) {
    RunSets<Ops, kSets, kEncipher>(k, table, data);
  }
  for (; bytes >= kSetBytes; bytes -= kSetBytes, data += kSetBytes) {
    RunSets<Ops, 1, kEncipher>(k, table, data);
  }
  if (bytes > 0) {
    alignas(64) std::uint8_t tail[kSetBytes] = {};
    __builtin_memcpy(tail, data, bytes);
    RunSets<Ops, 1, kEncipher>(k, table, tail);
    __builtin_memcpy(data, tail, bytes);
  }
}

}  // namespace
}  // namespace korvalind::rc2_simd
