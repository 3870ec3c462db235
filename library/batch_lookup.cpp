#include "library/batch_lookup.h"

#include "directory/number_text.h"
#include "korvalind/korvalind.h"

namespace korvalind::library {
namespace {

static_assert(KORVALIND_CODE_INVALID == 0xFFFFFFFFu, "an invalid number is all ones");
static_assert(SegmentAcceptance::kAcceptedBit == 0x80, "the accepted bit is the top bit");
static_assert(kPlanCarrierMask == 7, "the carrier is the low three bits");

// Two loops, so that the one without carriers does not pay for the stores it does not make.
template <bool kWithCarriers>
void Lookup(const std::uint32_t* __restrict table, const std::uint8_t* __restrict blocks,
            const std::int64_t* __restrict numbers, size_t count, std::uint32_t* __restrict codes,
            std::uint8_t* __restrict carriers) {
  for (size_t i = 0; i < count; ++i) {
    const auto n = static_cast<std::uint64_t>(numbers[i]);
    // Unsigned differences fold each range test (and negative numbers) into one comparison;
    // the tests become masks rather than branches, since random input would mispredict them.
    const std::uint64_t seven = n - 1000000u < 9000000u ? 1 : 0;
    const std::uint64_t eleven = n - 10000000000u < 90000000000u ? 1 : 0;
    const std::uint64_t divided = n / 10000u;
    const std::uint64_t segment = divided ^ ((divided ^ n) & (0 - seven));
    std::uint64_t offset = segment - 1000000u;
    const std::uint64_t named = (seven | eleven) & (offset < 1000000u ? 1 : 0);
    offset &= 0 - named;
    const std::uint8_t block = blocks[offset / kPlanBlockSize];
    const auto accepted_here = static_cast<std::uint32_t>(named & (block >> 7));
    // Accepted: the code; otherwise all ones, KORVALIND_CODE_INVALID.
    codes[i] = table[offset] | (accepted_here - 1u);
    // Only a segment of the plan has a carrier, and every rule accepts those; a number that
    // names no segment reads block 0 (segments 1000000-1000099), which has none. So the block's
    // carrier bits need no mask.
    if constexpr (kWithCarriers) carriers[i] = block & kPlanCarrierMask;
  }
}

}  // namespace

void LookupNumbers(const std::uint32_t* table, const std::uint8_t* blocks,
                   const std::int64_t* numbers, size_t count, std::uint32_t* codes,
                   std::uint8_t* carriers) {
  if (carriers == nullptr) {
    Lookup<false>(table, blocks, numbers, count, codes, nullptr);
  } else {
    Lookup<true>(table, blocks, numbers, count, codes, carriers);
  }
}

}  // namespace korvalind::library
