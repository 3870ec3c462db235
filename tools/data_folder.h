#pragma once

#include <cstdint>
#include <string>

#include "platform/file_io.h"
#include "platform/status.h"

namespace korvalind {

// The maintainer steps work in a named folder. An empty name (the program's own folder, where
// the default data folder lies, could not be found) is refused rather than taken for the current
// folder.
inline Status CheckDataFolder(const std::string& dataFolder) {
  if (!dataFolder.empty()) return Status::Ok();
  return Status::InvalidArgument(
      "no data folder was given, and the default (DATA beside the program) is unknown because "
      "the program's own folder cannot be found");
}

// The longest input file the maintainer steps read (the dumps, the place names, the record file,
// a phone.dat file): whatever one holds ends up in a directory, whose offsets are 32-bit.
inline constexpr std::uint64_t kMaxInputFileSize = 0xFFFFFFFF;

// Reads one input of the maintainer steps whole. Only a regular file of at most
// kMaxInputFileSize bytes is read: a device such as /dev/zero, a FIFO or a folder is refused
// before a byte is read ("cannot read \"path\": it is not a regular file").
template <typename Bytes>
Status ReadInputFile(const std::string& path, Bytes* contents) {
  return ReadRegularFile(path, kMaxInputFileSize, contents);
}

}  // namespace korvalind
