// Arbitrary bytes taken as a deciphered directory file: the checks before use, then every query
// operation on whatever was accepted.
#include <cstddef>
#include <cstdint>

#include "directory/loader.h"
#include "fuzz/fuzz_support.h"

namespace korvalind::fuzz {

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::string_view bytes = AsText(data, size);
  DirectoryImage image;
  Status status = ParseDeciphered(bytes, "fuzz input", &image);
  if (!status.ok()) {
    Require(image.data.empty() && image.recordsEnd == 0, "a refused file left an image");
    Require(status.message().find("fuzz input") != std::string::npos, "error without the name");
    // An empty image is what the programs query after a failed load.
  }
  Require(image.data.size() <= size, "the image is larger than the file");
  ExerciseImage(image, bytes.substr(0, 24));
  return 0;
}

}  // namespace korvalind::fuzz
