#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvalind::bench {

// count eleven-digit mobile numbers whose first three digits are the accepted 13x prefixes
// (130, 131, 133, 135 to 139), the rest uniform; the same for every seed on every machine, so
// that every peer is given the same numbers.
std::vector<std::string> SampleNumbers(size_t count, std::uint32_t seed = 1);

// The bundled directory of the build (the enciphered Korvalind.dat beside the programs).
const char* BundledDirectoryPath();

}  // namespace korvalind::bench
