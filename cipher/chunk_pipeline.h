#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace korvalind {

// Streams a file through a transformation in chunks, with reading and writing overlapped: a
// second thread reads each chunk and transforms it in place while the calling thread writes
// the chunk before. On two processors the whole run then takes about as long as its slowest
// part (usually the write into the page cache), not the sum of the three.

struct ChunkPipelineResult {
  std::uint64_t bytesRead = 0;
  int readError = 0;     // errno of a failed read, or 0
  bool stopped = false;  // write() returned false
};

// Reads sourceFd to its end in chunks of chunkSize bytes (a multiple of every unit transform
// cares about). For each chunk, transform(data, delivered, atEnd) runs on the reading thread and
// returns how many bytes of data to write; data has room for chunkSize + extraRoom bytes, and
// atEnd is true for the last chunk (shorter than chunkSize, possibly empty), which is always
// delivered. write(data, size) runs on the calling thread in chunk order; when it returns false
// nothing more is read or written. A read error ends the run after the chunks before it; the
// bytes delivered with the error are not passed on.
ChunkPipelineResult RunChunkPipeline(
    int sourceFd, size_t chunkSize, size_t extraRoom,
    const std::function<size_t(std::uint8_t* data, size_t delivered, bool atEnd)>& transform,
    const std::function<bool(const std::uint8_t* data, size_t size)>& write);

}  // namespace korvalind
