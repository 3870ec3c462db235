#include "cipher/rc2_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "cipher/rc2.h"
#include "cipher_test_util.h"

namespace korvalind {

// Test names and failure messages show the path's name rather than its bytes.
void PrintTo(Rc2Path path, std::ostream* out) { *out << Rc2PathName(path); }

namespace {

using testing::Bytes;

constexpr size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xa5;

Rc2KeySchedule Expand(const Bytes& key) {
  Rc2KeySchedule schedule;
  EXPECT_TRUE(Rc2ExpandKey(&schedule, key.data(), key.size(), 1024));
  return schedule;
}

// The one-block operations block by block; a tail shorter than a block stays as it is.
Bytes Reference(const Rc2KeySchedule& schedule, Bytes data, bool encipher) {
  for (size_t offset = 0; offset + 8 <= data.size(); offset += 8) {
    if (encipher) {
      Rc2EncipherBlock(schedule, data.data() + offset, data.data() + offset);
    } else {
      Rc2DecipherBlock(schedule, data.data() + offset, data.data() + offset);
    }
  }
  return data;
}

// Runs path on data placed at the given misalignment inside guard bytes, checks the guards and
// returns the result.
Bytes RunPath(Rc2Path path, const Rc2KeySchedule& schedule, const Bytes& data, size_t alignment,
              bool encipher) {
  Bytes buffer(kGuard + alignment + data.size() + kGuard, kGuardByte);
  std::uint8_t* start = buffer.data() + kGuard + alignment;
  std::copy(data.begin(), data.end(), start);
  if (encipher) {
    Rc2EncipherBlocksWith(path, schedule, start, data.size());
  } else {
    Rc2DecipherBlocksWith(path, schedule, start, data.size());
  }
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + kGuard + alignment,
                          [](std::uint8_t b) { return b == kGuardByte; }));
  EXPECT_TRUE(std::all_of(buffer.end() - kGuard, buffer.end(),
                          [](std::uint8_t b) { return b == kGuardByte; }));
  return Bytes(start, start + data.size());
}

constexpr Rc2Path kAllPaths[] = {Rc2Path::kPortable, Rc2Path::kSse2, Rc2Path::kAvx2,
                                 Rc2Path::kAvx512, Rc2Path::kAvx512Vbmi2};

// Every path is instantiated; one the processor lacks is skipped, saying so, rather than left out
// or quietly run as another path.
class Rc2PathTest : public ::testing::TestWithParam<Rc2Path> {
 protected:
  void SetUp() override {
    if (!Rc2PathSupported(GetParam())) {
      GTEST_SKIP() << "the " << Rc2PathName(GetParam())
                   << " path is not run here: this processor (or build) lacks it";
    }
  }
};

TEST_P(Rc2PathTest, EveryBlockCountAndAlignmentMatchesTheOneBlockOperations) {
  std::mt19937 random(static_cast<unsigned>(GetParam()) + 100);
  const Rc2KeySchedule schedule = Expand(testing::RandomBytes(random, 16));
  auto check = [&](size_t blocks, size_t tail, size_t alignment) {
    const Bytes data = testing::RandomBytes(random, blocks * 8 + tail);
    for (bool encipher : {true, false}) {
      ASSERT_EQ(RunPath(GetParam(), schedule, data, alignment, encipher),
                Reference(schedule, data, encipher))
          << (encipher ? "encipher " : "decipher ") << data.size() << " bytes at +" << alignment;
    }
  };
  // Every block count past one round of the widest kernel (six sets of 32 blocks), so that every
  // mix of whole rounds, single sets and a partial set is met, with and without a short tail.
  for (size_t blocks = 0; blocks <= 7 * 32 + 3; ++blocks) {
    for (size_t tail : {0, 5}) check(blocks, tail, blocks % 64);
  }
  for (size_t alignment = 0; alignment < 64; ++alignment) {
    for (size_t blocks : {1, 7, 31, 33, 64, 65, 129, 193}) check(blocks, 3, alignment);
  }
}

TEST_P(Rc2PathTest, RandomKeysLengthsAndAlignmentsMatchReferenceAndNettle) {
  std::mt19937 random(static_cast<unsigned>(GetParam()) + 200);
  for (int trial = 0; trial < 300; ++trial) {
    const Bytes key = testing::RandomBytes(random, 1 + random() % 128);
    const Bytes data = testing::RandomBytes(random, random() % 10001);
    const size_t alignment = random() % 64;
    const Rc2KeySchedule schedule = Expand(key);
    const size_t whole = data.size() / 8 * 8;
    const Bytes whole_data(data.begin(), data.begin() + whole);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(data.size()) +
                 " bytes at +" + std::to_string(alignment));

    for (bool encipher : {true, false}) {
      const Bytes result = RunPath(GetParam(), schedule, data, alignment, encipher);
      ASSERT_EQ(result, Reference(schedule, data, encipher));
      const Bytes nettle = encipher ? testing::NettleEncipher(key, 1024, whole_data)
                                    : testing::NettleDecipher(key, 1024, whole_data);
      ASSERT_TRUE(std::equal(nettle.begin(), nettle.end(), result.begin()));
    }
  }
}

TEST_P(Rc2PathTest, RoundTripGivesTheDataBack) {
  std::mt19937 random(static_cast<unsigned>(GetParam()) + 300);
  const Bytes key = testing::RandomBytes(random, 8);
  const Rc2KeySchedule schedule = Expand(key);
  const Bytes data = testing::RandomBytes(random, 65536 + 8 * 7);
  Bytes work = data;
  Rc2EncipherBlocksWith(GetParam(), schedule, work.data(), work.size());
  EXPECT_NE(work, data);
  Rc2DecipherBlocksWith(GetParam(), schedule, work.data(), work.size());
  EXPECT_EQ(work, data);
}

std::string PathTestName(const ::testing::TestParamInfo<Rc2Path>& info) {
  return std::string(Rc2PathName(info.param));
}

INSTANTIATE_TEST_SUITE_P(AllPaths, Rc2PathTest, ::testing::ValuesIn(kAllPaths), PathTestName);

TEST(Rc2Dispatch, NamesRoundTripAndUnknownNamesAreRejected) {
  for (Rc2Path path : kAllPaths) EXPECT_EQ(Rc2PathFromName(Rc2PathName(path)), path);
  for (const char* name : {"", "AVX2", "avx", "sse2 ", "neon"}) {
    EXPECT_FALSE(Rc2PathFromName(name).has_value()) << name;
  }
}

TEST(Rc2Dispatch, SupportedPathsStartWithPortableAndAgreeWithTheCheck) {
  const std::vector<Rc2Path> supported = Rc2SupportedPaths();
  ASSERT_FALSE(supported.empty());
  EXPECT_EQ(supported.front(), Rc2Path::kPortable);
  for (Rc2Path path : kAllPaths) {
    EXPECT_EQ(Rc2PathSupported(path),
              std::find(supported.begin(), supported.end(), path) != supported.end());
  }
}

TEST(Rc2Dispatch, ForcedPathIsTakenWhenSupportedAndTheBestOtherwise) {
  const Rc2Path best = Rc2SupportedPaths().back();
  EXPECT_EQ(Rc2ChoosePath(nullptr), best);
  EXPECT_EQ(Rc2ChoosePath("bogus"), best);
  EXPECT_EQ(Rc2ChoosePath(""), best);
  for (Rc2Path path : kAllPaths) {
    const std::string name(Rc2PathName(path));
    EXPECT_EQ(Rc2ChoosePath(name.c_str()), Rc2PathSupported(path) ? path : best) << name;
  }
}

// The test runner also starts these tests with the variable set to each path name in turn; a
// run forced onto a path the processor lacks takes the best one, and says so here.
TEST(Rc2Dispatch, ForcedPathRunsOnThisProcessor) {
  const char* forced = std::getenv(kRc2PathVariable);
  if (forced == nullptr) GTEST_SKIP() << kRc2PathVariable << " is not set";
  const std::optional<Rc2Path> path = Rc2PathFromName(forced);
  if (!path) GTEST_SKIP() << kRc2PathVariable << "=" << forced << " names no path";
  if (!Rc2PathSupported(*path)) {
    GTEST_SKIP() << "lacks the forced path " << forced << ": the " << Rc2PathName(Rc2ActivePath())
                 << " path ran instead";
  }
  EXPECT_EQ(Rc2ActivePath(), *path);
}

TEST(Rc2Dispatch, ActivePathFollowsTheEnvironment) {
  const char* forced = std::getenv(kRc2PathVariable);
  EXPECT_EQ(Rc2ActivePath(), Rc2ChoosePath(forced));
  if (forced != nullptr && Rc2PathFromName(forced) && Rc2PathSupported(*Rc2PathFromName(forced))) {
    EXPECT_EQ(Rc2PathName(Rc2ActivePath()), forced);
  }
}

TEST(Rc2Dispatch, UnsupportedForcedPathStillGivesTheRightBytes) {
  std::mt19937 random(400);
  const Rc2KeySchedule schedule = Expand(testing::RandomBytes(random, 8));
  const Bytes data = testing::RandomBytes(random, 8 * 100);
  for (Rc2Path path : kAllPaths) {
    Bytes work = data;
    Rc2DecipherBlocksWith(path, schedule, work.data(), work.size());
    EXPECT_EQ(work, Reference(schedule, data, false)) << Rc2PathName(path);
  }
}

}  // namespace
}  // namespace korvalind
