#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "cipher/rc2.h"
#include "cipher_test_util.h"

namespace korvalind {
namespace {

using testing::Bytes;

constexpr unsigned kFullStrength = 1024;

Rc2KeySchedule Expand(const Bytes& key) {
  Rc2KeySchedule schedule;
  EXPECT_TRUE(Rc2ExpandKey(&schedule, key.data(), key.size(), kFullStrength));
  return schedule;
}

TEST(Rc2AgainstNettle, OneBlockBothWaysForRandomKeysAndBlocks) {
  std::mt19937 random(20240611);
  for (int trial = 0; trial < 2000; ++trial) {
    const Bytes key = testing::RandomBytes(random, 1 + trial % 128);
    const Bytes block = testing::RandomBytes(random, 8);
    const Rc2KeySchedule schedule = Expand(key);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", key length " + std::to_string(key.size()));

    Bytes enciphered(8);
    Rc2EncipherBlock(schedule, block.data(), enciphered.data());
    ASSERT_EQ(enciphered, testing::NettleEncipher(key, kFullStrength, block));

    // The random block taken as ciphertext, so that deciphering is checked on its own.
    Bytes deciphered(8);
    Rc2DecipherBlock(schedule, deciphered.data(), block.data());
    ASSERT_EQ(deciphered, testing::NettleDecipher(key, kFullStrength, block));

    Bytes round_trip(8);
    Rc2DecipherBlock(schedule, round_trip.data(), enciphered.data());
    ASSERT_EQ(round_trip, block);
  }
}

TEST(Rc2AgainstNettle, ManyBlocksInPlaceBothWays) {
  std::mt19937 random(7);
  for (size_t blocks : {0, 1, 2, 3, 15, 16, 17, 31, 32, 33, 100, 1000}) {
    const Bytes key = testing::RandomBytes(random, 1 + random() % 128);
    const Bytes data = testing::RandomBytes(random, blocks * 8);
    const Rc2KeySchedule schedule = Expand(key);
    SCOPED_TRACE("blocks " + std::to_string(blocks));

    Bytes enciphered = data;
    Rc2EncipherBlocks(schedule, enciphered.data(), enciphered.size());
    EXPECT_EQ(enciphered, testing::NettleEncipher(key, kFullStrength, data));

    Bytes deciphered = data;
    Rc2DecipherBlocks(schedule, deciphered.data(), deciphered.size());
    EXPECT_EQ(deciphered, testing::NettleDecipher(key, kFullStrength, data));
  }
}

TEST(Rc2AgainstNettle, ManyBlocksLeaveAShortTailAlone) {
  std::mt19937 random(8);
  const Bytes key = testing::RandomBytes(random, 8);
  const Bytes data = testing::RandomBytes(random, 8 * 5 + 3);
  const Rc2KeySchedule schedule = Expand(key);

  Bytes work = data;
  Rc2DecipherBlocks(schedule, work.data(), work.size());
  const Bytes whole(data.begin(), data.begin() + 40);
  EXPECT_TRUE(std::equal(work.begin(), work.begin() + 40,
                         testing::NettleDecipher(key, kFullStrength, whole).begin()));
  EXPECT_TRUE(std::equal(work.begin() + 40, work.end(), data.begin() + 40));
}

}  // namespace
}  // namespace korvalind
