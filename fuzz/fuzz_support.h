#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/directory_image.h"

namespace korvalind::fuzz {

// Stops the run with a message when a property the program promises does not hold; libFuzzer
// keeps the input that caused it.
void Require(bool holds, const char* what);

// The fuzz input as text.
inline std::string_view AsText(const std::uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A fresh folder for one fuzzer process, in memory (/dev/shm) when there is one.
std::string ScratchFolder();

// Writes bytes to path, replacing it; stops the run when that fails.
void WriteScratchFile(const std::string& path, std::string_view bytes);

// Runs the reading operations on a loaded image and checks what they promise: the image's
// invariants, place names against an independent walk of the place table, answer fields cut to
// what an entry can hold, the same answers with and without the image's index, and every
// record's key found. probe is extra query text taken from the input.
void ExerciseImage(const DirectoryImage& image, std::string_view probe);

// Whether two images hold the same bytes and region ends.
bool SameImage(const DirectoryImage& a, const DirectoryImage& b);

}  // namespace korvalind::fuzz
