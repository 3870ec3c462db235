// Large buffers spread over threads: every block done exactly once, the tail left alone, and the
// bytes those of an independent implementation whatever the number of threads.
#include "cipher/rc2_split.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <string>

#include "cipher/file_cipher.h"
#include "cipher/rc2.h"
#include "cipher/rc2_paths.h"
#include "cipher_test_util.h"
#include "platform/processors.h"

namespace korvalind {
namespace {

using testing::Bytes;

// Adds 1 to every byte of its blocks: a block done twice, or not at all, shows.
void CountingKernel(const std::uint16_t*, std::uint8_t* data, size_t blocks) {
  for (size_t i = 0; i < blocks * kRc2BlockSize; ++i) ++data[i];
}

TEST(Rc2Split, EveryBlockIsDoneOnceForAnyCutOfTheBuffer) {
  for (size_t minimum : {1, 3, 64, 100}) {
    for (unsigned threads : {0u, 1u, 2u, 3u, 7u, 8u, 9u, 64u}) {
      for (size_t blocks = 0; blocks <= 1100; blocks += (blocks < 300 ? 1 : 97)) {
        Bytes data(blocks * kRc2BlockSize + 5, 0);
        rc2_kernels::RunSplit(CountingKernel, nullptr, data.data(), blocks, threads, minimum);
        const auto whole_end = data.end() - 5;
        ASSERT_TRUE(std::all_of(data.begin(), whole_end, [](std::uint8_t b) { return b == 1; }))
            << blocks << " blocks, " << threads << " threads, parts of at least " << minimum;
        ASSERT_TRUE(std::all_of(whole_end, data.end(), [](std::uint8_t b) { return b == 0; }));
      }
    }
  }
}

// Sizes around the point where a buffer starts being cut, and well past it, with tails.
TEST(Rc2Split, LargeBuffersOnSeveralThreadsGiveNettlesBytes) {
  std::mt19937 random(500);
  const Bytes key = testing::RandomBytes(random, 1 + random() % 128);
  Rc2KeySchedule schedule;
  ASSERT_TRUE(Rc2ExpandKey(&schedule, key.data(), key.size(), 1024));
  const size_t part = kRc2BytesPerThread;
  const Rc2Path best = Rc2SupportedPaths().back();
  for (size_t size : {2 * part - 8, 2 * part, 2 * part + 5, 3 * part + 8 * 193 + 3, 8 * part + 8}) {
    const Bytes data = testing::RandomBytes(random, size);
    const Bytes whole(data.begin(), data.begin() + size / 8 * 8);
    const Bytes plain = testing::NettleDecipher(key, 1024, whole);
    const Bytes cipher = testing::NettleEncipher(key, 1024, whole);
    for (unsigned threads : {2u, 3u, 8u}) {
      SCOPED_TRACE(std::to_string(size) + " bytes, " + std::to_string(threads) + " threads");
      Bytes work = data;
      Rc2DecipherBlocksWith(best, schedule, work.data(), work.size(), threads);
      ASSERT_TRUE(std::equal(plain.begin(), plain.end(), work.begin()));
      ASSERT_TRUE(std::equal(data.begin() + whole.size(), data.end(), work.begin() + whole.size()));
      work = data;
      Rc2EncipherBlocksWith(best, schedule, work.data(), work.size(), threads);
      ASSERT_TRUE(std::equal(cipher.begin(), cipher.end(), work.begin()));
    }
    // What the program itself uses: the active path on the usable processors.
    Bytes work = whole;
    Rc2DecipherBlocks(schedule, work.data(), work.size());
    ASSERT_EQ(work, plain) << size << " bytes";
  }
}

TEST(Rc2Split, InPlaceDecipherOfALargeBufferMatchesTheCopyingOne) {
  std::mt19937 random(600);
  Bytes data = testing::RandomBytes(random, 3 * kRc2BytesPerThread);
  std::string copied;
  ASSERT_TRUE(DecipherBytes(testing::AsString(data), CipherKey, &copied));
  Bytes odd(data.begin(), data.end() - 1);
  EXPECT_FALSE(DecipherInPlace(odd.data(), odd.size(), CipherKey));
  EXPECT_EQ(odd, Bytes(data.begin(), data.end() - 1)) << "a refused buffer must stay as it was";
  EXPECT_FALSE(DecipherInPlace(data.data(), data.size(), ""));
  ASSERT_TRUE(DecipherInPlace(data.data(), data.size(), CipherKey));
  EXPECT_EQ(testing::AsString(data), copied);
}

// taskset and containers narrow the processors a process may use; more threads than that only
// take turns.
TEST(Rc2Split, UsableProcessorsFollowTheAffinityMask) {
  cpu_set_t before;
  ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
  EXPECT_EQ(UsableProcessors(), static_cast<unsigned>(CPU_COUNT(&before)));
  int first = 0;
  while (!CPU_ISSET(first, &before)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  EXPECT_EQ(UsableProcessors(), 1u);
  ASSERT_EQ(::sched_setaffinity(0, sizeof before, &before), 0);
}

}  // namespace
}  // namespace korvalind
