#include "cipher/chunk_pipeline.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/temp_files.h"

namespace korvalind {
namespace {

// Three chunks in flight: one being read, one waiting, one being written.
constexpr size_t kChunksInFlight = 3;

struct Chunk {
  std::unique_ptr<std::uint8_t[]> data;
  size_t size = 0;
  bool last = false;
};

// Fills up to size bytes; fewer only at the end of the file. Returns the errno of a failed read,
// or 0.
int ReadFull(int fd, std::uint8_t* data, size_t size, size_t* delivered) {
  *delivered = 0;
  while (*delivered < size) {
    ssize_t n = ::read(fd, data + *delivered, size - *delivered);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    *delivered += static_cast<size_t>(n);
  }
  return 0;
}

class Queues {
 public:
  // The reader takes a free chunk; nullptr once the writer has stopped.
  Chunk* TakeFree() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopped_ || !free_.empty(); });
    if (stopped_) return nullptr;
    Chunk* chunk = free_.front();
    free_.pop_front();
    return chunk;
  }
  void PutReady(Chunk* chunk) {
    {
      std::lock_guard lock(mutex_);
      ready_.push_back(chunk);
    }
    changed_.notify_all();
  }
  Chunk* TakeReady() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    Chunk* chunk = ready_.front();
    ready_.pop_front();
    return chunk;
  }
  void PutFree(Chunk* chunk) {
    {
      std::lock_guard lock(mutex_);
      free_.push_back(chunk);
    }
    changed_.notify_all();
  }
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk*> free_;
  std::deque<Chunk*> ready_;
  bool stopped_ = false;
};

}  // namespace

ChunkPipelineResult RunChunkPipeline(
    int sourceFd, size_t chunkSize, size_t extraRoom,
    const std::function<size_t(std::uint8_t*, size_t, bool)>& transform,
    const std::function<bool(const std::uint8_t*, size_t)>& write) {
  std::vector<Chunk> chunks(kChunksInFlight);
  Queues queues;
  for (Chunk& chunk : chunks) {
    chunk.data = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize + extraRoom);
    queues.PutFree(&chunk);
  }
  ChunkPipelineResult result;
  // bytesRead and readError are the reader's alone until it is joined.
  // The reader never handles the interrupting signals: the calling thread does, so that its
  // steps around the target's temporary name are not split by a handler on the other thread.
  std::optional<SignalsHeld> held(std::in_place);
  std::thread reader([&] {
    for (;;) {
      Chunk* chunk = queues.TakeFree();
      if (chunk == nullptr) return;
      size_t delivered = 0;
      const int error = ReadFull(sourceFd, chunk->data.get(), chunkSize, &delivered);
      result.bytesRead += delivered;
      if (error != 0) {
        result.readError = error;
        chunk->size = 0;
        chunk->last = true;
      } else {
        chunk->last = delivered < chunkSize;
        chunk->size = transform(chunk->data.get(), delivered, chunk->last);
      }
      const bool last = chunk->last;
      queues.PutReady(chunk);
      if (last) return;
    }
  });
  held.reset();
  for (;;) {
    Chunk* chunk = queues.TakeReady();
    const bool last = chunk->last;
    if (chunk->size > 0 && !write(chunk->data.get(), chunk->size)) {
      result.stopped = true;
      queues.Stop();
      break;
    }
    queues.PutFree(chunk);
    if (last) break;
  }
  reader.join();
  return result;
}

}  // namespace korvalind
