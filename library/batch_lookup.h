#pragma once

#include <cstddef>
#include <cstdint>

namespace korvalind::library {

// codes[i] = the answer code of numbers[i]: a 7-digit segment or an 11-digit number (its first
// seven digits), looked up in table (the codes of the segments 1000000 to 1999999) when its
// block's byte in blocks (SegmentAcceptance::Blocks) says it is accepted; KORVALIND_CODE_INVALID
// otherwise. carriers, when not NULL, gets the number plan's carrier code of each accepted number
// (0 for a refused one). No branch depends on the numbers, so random input costs what sorted
// input does.
void LookupNumbers(const std::uint32_t* table, const std::uint8_t* blocks,
                   const std::int64_t* numbers, size_t count, std::uint32_t* codes,
                   std::uint8_t* carriers);

}  // namespace korvalind::library
