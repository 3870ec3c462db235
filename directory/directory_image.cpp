#include "directory/directory_image.h"

namespace korvalind {

std::uint32_t SegmentCount(const DirectoryImage& image) {
  if (image.recordsEnd < image.zoneTableEnd) return 0;
  return (image.recordsEnd - image.zoneTableEnd) / 8;
}

}  // namespace korvalind
