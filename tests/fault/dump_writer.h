#pragma once

#include <cstddef>
#include <string>

namespace korvalind::testing {

inline constexpr size_t kGeneratedCities = 310;

// Writes a maintainer data folder of the bundled dumps' shape, generated: 31 provinces and 310
// cities with GBK names, a place-name file that lists the provinces and all but every tenth city
// (the dump adds those), one area-code row per city, and rows segment dump rows, CR LF ended,
// cycling through the cities with segments from 1300000 on.
void WriteGeneratedData(const std::string& folder, size_t rows);

// The row's segment, province and city as the generator makes them, for checking answers.
std::string GeneratedSegment(size_t row);
std::string GeneratedProvince(size_t row);
std::string GeneratedCity(size_t row);

// A small data folder: places 河北 and 石家庄, their zone, and two rows (1390123 and 1300000, the
// second in a city the dump adds, 保定).
void WriteWorkedData(const std::string& folder);

// Size in bytes of the three input files of a folder.
size_t InputBytes(const std::string& folder);

}  // namespace korvalind::testing
