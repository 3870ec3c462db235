#include "library/batch_lookup.h"

#include "korvalind/korvalind.h"

namespace korvalind::library {

void LookupNumbers(const std::uint32_t* table, const std::uint8_t* accepted,
                   const std::int64_t* numbers, size_t count, std::uint32_t* codes) {
  for (size_t i = 0; i < count; ++i) {
    const auto n = static_cast<std::uint64_t>(numbers[i]);
    // Unsigned differences fold each range test (and negative numbers) into one comparison.
    const bool seven = n - 1000000u < 9000000u;
    const bool eleven = n - 10000000000u < 90000000000u;
    const std::uint64_t segment = seven ? n : n / 10000u;
    std::uint64_t offset = segment - 1000000u;
    const bool named = (seven || eleven) && offset < 1000000u;
    offset = named ? offset : 0;
    const std::uint32_t code = table[offset];
    codes[i] = named && accepted[offset / 10000u] != 0 ? code : KORVALIND_CODE_INVALID;
  }
}

}  // namespace korvalind::library
