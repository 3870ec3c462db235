#pragma once

#include <cstddef>
#include <cstdint>

namespace korvalind::library {

// codes[i] = the answer code of numbers[i]: a 7-digit segment or an 11-digit number (its first
// seven digits), looked up in table (the codes of the segments 1000000 to 1999999) when
// accepted[its three-digit prefix - 100] is 1; KORVALIND_CODE_INVALID otherwise. No branch
// depends on the numbers, so random input costs what sorted input does.
void LookupNumbers(const std::uint32_t* table, const std::uint8_t* accepted,
                   const std::int64_t* numbers, size_t count, std::uint32_t* codes);

}  // namespace korvalind::library
