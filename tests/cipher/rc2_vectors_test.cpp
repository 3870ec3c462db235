#include <gtest/gtest.h>
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/rc2.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "cipher/rc2.h"
#include "cipher_test_util.h"

namespace korvalind {
namespace {

using testing::Bytes;
using testing::FromHex;

struct RfcVector {
  unsigned effective_bits;
  const char* key;
  const char* plain;
  const char* cipher;
};

// RFC 2268 section 5, each with its own effective key bits.
constexpr RfcVector kRfcVectors[] = {
    {63, "00000000 00000000", "00000000 00000000", "ebb773f9 93278eff"},
    {64, "ffffffff ffffffff", "ffffffff ffffffff", "278b27e4 2e2f0d49"},
    {64, "30000000 00000000", "10000000 00000001", "30649edf 9be7d2c2"},
    {64, "88", "00000000 00000000", "61a8a244 adacccf0"},
    {64, "88bca90e 90875a", "00000000 00000000", "6ccf4308 974c267f"},
    {64, "88bca90e 90875a7f 0f79c384 627bafb2", "00000000 00000000", "1a807d27 2bbe5db1"},
    {128, "88bca90e 90875a7f 0f79c384 627bafb2", "00000000 00000000", "2269552a b0f85ca6"},
    {129, "88bca90e 90875a7f 0f79c384 627bafb2 16f80a6f 85920584 c42fceb0 be255daf 1e",
     "00000000 00000000", "5b78d3a4 3dfff1f1"},
};

Rc2KeySchedule Expand(const Bytes& key, unsigned effective_bits) {
  Rc2KeySchedule schedule;
  EXPECT_TRUE(Rc2ExpandKey(&schedule, key.data(), key.size(), effective_bits));
  return schedule;
}

Bytes NettleSchedule(const Bytes& key, unsigned effective_bits) {
  arctwo_ctx context;
  arctwo_set_key_ekb(&context, key.size(), key.data(), effective_bits);
  Bytes bytes;
  for (std::uint16_t word : context.S) {
    bytes.push_back(static_cast<std::uint8_t>(word));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

// OpenSSL's RC2 key set-up, a second independent implementation.
Bytes OpenSslSchedule(const Bytes& key, unsigned effective_bits) {
  RC2_KEY openssl_key;
  RC2_set_key(&openssl_key, static_cast<int>(key.size()), key.data(),
              static_cast<int>(effective_bits));
  Bytes bytes;
  for (RC2_INT word : openssl_key.data) {
    bytes.push_back(static_cast<std::uint8_t>(word));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

Bytes ScheduleBytes(const Rc2KeySchedule& schedule) {
  Bytes bytes;
  for (std::uint16_t word : schedule.K) {
    bytes.push_back(static_cast<std::uint8_t>(word));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

TEST(Rc2Vectors, RfcVectorsBothWays) {
  for (const RfcVector& vector : kRfcVectors) {
    SCOPED_TRACE(std::string("key ") + vector.key + ", effective bits " +
                 std::to_string(vector.effective_bits));
    const Bytes key = FromHex(vector.key);
    const Bytes plain = FromHex(vector.plain);
    const Bytes cipher = FromHex(vector.cipher);
    const Rc2KeySchedule schedule = Expand(key, vector.effective_bits);

    Bytes out(8);
    Rc2EncipherBlock(schedule, plain.data(), out.data());
    EXPECT_EQ(out, cipher);
    Rc2DecipherBlock(schedule, out.data(), cipher.data());
    EXPECT_EQ(out, plain);

    // The vectors as typed in here are confirmed by nettle, so a typing slip cannot pass.
    EXPECT_EQ(testing::NettleEncipher(key, vector.effective_bits, plain), cipher);
  }
}

TEST(Rc2Vectors, ScheduleMatchesNettleAndOpenSslForEveryEffectiveBitCount) {
  std::mt19937 random(2268);
  for (unsigned bits = 1; bits <= 1024; ++bits) {
    const Bytes key = testing::RandomBytes(random, 1 + random() % 128);
    const Bytes ours = ScheduleBytes(Expand(key, bits));
    ASSERT_EQ(ours, OpenSslSchedule(key, bits))
        << "effective bits " << bits << ", key length " << key.size();
    // From 1017 to 1023 bits nettle passes L[0] through PITABLE once more than the RFC does.
    if (bits < 1017 || bits == 1024) {
      ASSERT_EQ(ours, NettleSchedule(key, bits))
          << "effective bits " << bits << ", key length " << key.size();
    }
  }
}

TEST(Rc2Schedule, ZeroEffectiveBitsMeans1024) {
  std::mt19937 random(1);
  for (size_t length : {1, 8, 100, 128}) {
    const Bytes key = testing::RandomBytes(random, length);
    EXPECT_EQ(ScheduleBytes(Expand(key, 0)), ScheduleBytes(Expand(key, 1024)));
  }
}

TEST(Rc2Schedule, KeysBeyond128BytesCountOnlyTheirFirst128) {
  std::mt19937 random(2);
  for (size_t length : {129, 200, 1000}) {
    const Bytes key = testing::RandomBytes(random, length);
    const Bytes head(key.begin(), key.begin() + 128);
    for (unsigned bits : {0u, 64u, 1024u}) {
      EXPECT_EQ(ScheduleBytes(Expand(key, bits)), ScheduleBytes(Expand(head, bits)))
          << "length " << length << ", effective bits " << bits;
    }
  }
}

// PITABLE as nettle has it: with a 128-byte key and 1024 effective bits, the low byte of K[0] is
// PITABLE[key[0]] and nothing else is touched.
Bytes PiTableFromNettle() {
  Bytes table;
  Bytes key(128, 0x5a);
  for (int byte = 0; byte < 256; ++byte) {
    key[0] = static_cast<std::uint8_t>(byte);
    table.push_back(NettleSchedule(key, 1024)[0]);
  }
  return table;
}

TEST(Rc2Schedule, PiTableIsThePublishedPermutation) {
  const Bytes table = PiTableFromNettle();
  EXPECT_EQ(std::set<std::uint8_t>(table.begin(), table.end()).size(), 256u);
  const Bytes head = FromHex("d9 78 f9 c4 19 dd b5 ed 28 e9 fd 79 4a a0 d8 9d");
  EXPECT_TRUE(std::equal(head.begin(), head.end(), table.begin()));
}

TEST(Rc2Schedule, FullStrengthDiffersFromPlainExtensionOnlyInFirstByte) {
  const Bytes pi = PiTableFromNettle();
  std::mt19937 random(3);
  for (size_t length : {1, 2, 7, 8, 33, 127, 128}) {
    const Bytes key = testing::RandomBytes(random, length);
    Bytes extended = key;
    for (size_t i = length; i < 128; ++i) {
      extended.push_back(pi[static_cast<std::uint8_t>(extended[i - 1] + extended[i - length])]);
    }
    const Bytes schedule = ScheduleBytes(Expand(key, 1024));
    EXPECT_EQ(schedule[0], pi[extended[0]]) << "length " << length;
    EXPECT_TRUE(std::equal(schedule.begin() + 1, schedule.end(), extended.begin() + 1))
        << "length " << length;
  }
}

TEST(Rc2Schedule, EmptyKeyIsRefusedAndScheduleKeptAsItWas) {
  Rc2KeySchedule schedule;
  schedule.K.fill(0x1234);
  const std::uint8_t key[1] = {0x42};
  EXPECT_FALSE(Rc2ExpandKey(&schedule, key, 0, 1024));
  for (std::uint16_t word : schedule.K) EXPECT_EQ(word, 0x1234);
}

}  // namespace
}  // namespace korvalind
