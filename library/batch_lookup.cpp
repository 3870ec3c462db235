#include "library/batch_lookup.h"

#include "directory/number_text.h"
#include "korvalind/korvalind.h"

namespace korvalind::library {
namespace {

static_assert(KORVALIND_CODE_INVALID == 0xFFFFFFFFu, "an invalid number is all ones");
static_assert(SegmentAcceptance::kAcceptedBit == 1u << 6, "the accepted bit is bit 6");

// Two loops, so that the one without carriers does not pay for the stores it does not make.
template <bool kWithCarriers>
void Lookup(const std::uint32_t* table, const std::uint8_t* blocks, const std::int64_t* numbers,
            size_t count, std::uint32_t* codes, std::uint8_t* carriers) {
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
    const auto accepted_here = static_cast<std::uint32_t>(named & (block >> 6) & 1u);
    // Accepted: the code; otherwise all ones, KORVALIND_CODE_INVALID.
    codes[i] = table[offset] | (accepted_here - 1u);
    if constexpr (kWithCarriers) {
      carriers[i] = static_cast<std::uint8_t>((block >> 2) & 7u & (0u - accepted_here));
    }
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
