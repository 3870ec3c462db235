// RC2 in plain C++, several blocks at a time: the rounds of one block form a long chain of
// dependent steps, and interleaving independent blocks lets the processor overlap them.

#include <cstring>

#include "cipher/rc2_kernels.h"

namespace korvalind::rc2_kernels {
namespace {

constexpr size_t kLanes = 8;
using Lanes = std::uint16_t[4][kLanes];

#define KORVALIND_RC2_PORTABLE_INLINE inline __attribute__((always_inline))

template <int kI, int kShift>
KORVALIND_RC2_PORTABLE_INLINE void MixWord(Lanes& r, std::uint16_t k) {
  for (size_t lane = 0; lane < kLanes; ++lane) {
    const unsigned prev = r[(kI + 3) & 3][lane];
    const std::uint16_t sum = static_cast<std::uint16_t>(
        r[kI][lane] + k + (prev & r[(kI + 2) & 3][lane]) + (~prev & r[(kI + 1) & 3][lane]));
    r[kI][lane] = static_cast<std::uint16_t>((sum << kShift) | (sum >> (16 - kShift)));
  }
}

template <int kI, int kShift>
KORVALIND_RC2_PORTABLE_INLINE void UnmixWord(Lanes& r, std::uint16_t k) {
  for (size_t lane = 0; lane < kLanes; ++lane) {
    const unsigned prev = r[(kI + 3) & 3][lane];
    const unsigned word = r[kI][lane];
    const unsigned rotated = (word >> kShift) | (word << (16 - kShift));
    r[kI][lane] = static_cast<std::uint16_t>(rotated - k - (prev & r[(kI + 2) & 3][lane]) -
                                             (~prev & r[(kI + 1) & 3][lane]));
  }
}

KORVALIND_RC2_PORTABLE_INLINE void Mix(Lanes& r, const std::uint16_t* k) {
  MixWord<0, 1>(r, k[0]);
  MixWord<1, 2>(r, k[1]);
  MixWord<2, 3>(r, k[2]);
  MixWord<3, 5>(r, k[3]);
}

KORVALIND_RC2_PORTABLE_INLINE void Unmix(Lanes& r, const std::uint16_t* k) {
  UnmixWord<3, 5>(r, k[3]);
  UnmixWord<2, 3>(r, k[2]);
  UnmixWord<1, 2>(r, k[1]);
  UnmixWord<0, 1>(r, k[0]);
}

KORVALIND_RC2_PORTABLE_INLINE void Mash(Lanes& r, const std::uint16_t* k) {
  for (int i = 0; i < 4; ++i) {
    for (size_t lane = 0; lane < kLanes; ++lane) {
      r[i][lane] = static_cast<std::uint16_t>(r[i][lane] + k[r[(i + 3) & 3][lane] & 63]);
    }
  }
}

KORVALIND_RC2_PORTABLE_INLINE void Unmash(Lanes& r, const std::uint16_t* k) {
  for (int i = 3; i >= 0; --i) {
    for (size_t lane = 0; lane < kLanes; ++lane) {
      r[i][lane] = static_cast<std::uint16_t>(r[i][lane] - k[r[(i + 3) & 3][lane] & 63]);
    }
  }
}

// Words are composed from bytes so that the result does not depend on the host's byte order.
void LoadLanes(const std::uint8_t* p, Lanes& r) {
  for (size_t lane = 0; lane < kLanes; ++lane) {
    for (int i = 0; i < 4; ++i) {
      r[i][lane] = static_cast<std::uint16_t>(p[8 * lane + 2 * i] | (p[8 * lane + 2 * i + 1] << 8));
    }
  }
}

void StoreLanes(const Lanes& r, std::uint8_t* p) {
  for (size_t lane = 0; lane < kLanes; ++lane) {
    for (int i = 0; i < 4; ++i) {
      p[8 * lane + 2 * i] = static_cast<std::uint8_t>(r[i][lane]);
      p[8 * lane + 2 * i + 1] = static_cast<std::uint8_t>(r[i][lane] >> 8);
    }
  }
}

void EncipherLanes(const std::uint16_t* k, std::uint8_t* p) {
  Lanes r;
  LoadLanes(p, r);
  for (int round = 0; round < 5; ++round) Mix(r, k + 4 * round);
  Mash(r, k);
  for (int round = 5; round < 11; ++round) Mix(r, k + 4 * round);
  Mash(r, k);
  for (int round = 11; round < 16; ++round) Mix(r, k + 4 * round);
  StoreLanes(r, p);
}

void DecipherLanes(const std::uint16_t* k, std::uint8_t* p) {
  Lanes r;
  LoadLanes(p, r);
  for (int round = 15; round > 10; --round) Unmix(r, k + 4 * round);
  Unmash(r, k);
  for (int round = 10; round > 4; --round) Unmix(r, k + 4 * round);
  Unmash(r, k);
  for (int round = 4; round >= 0; --round) Unmix(r, k + 4 * round);
  StoreLanes(r, p);
}

// The last partial group goes through a zero-filled copy, so nothing beyond data is touched.
template <void (*kLanesOp)(const std::uint16_t*, std::uint8_t*)>
void RunBlocks(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  for (; blocks >= kLanes; blocks -= kLanes, data += kLanes * 8) kLanesOp(key_words, data);
  if (blocks > 0) {
    std::uint8_t tail[kLanes * 8] = {};
    std::memcpy(tail, data, blocks * 8);
    kLanesOp(key_words, tail);
    std::memcpy(data, tail, blocks * 8);
  }
}

}  // namespace

void EncipherPortable(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  RunBlocks<EncipherLanes>(key_words, data, blocks);
}

void DecipherPortable(const std::uint16_t* key_words, std::uint8_t* data, size_t blocks) {
  RunBlocks<DecipherLanes>(key_words, data, blocks);
}

}  // namespace korvalind::rc2_kernels
