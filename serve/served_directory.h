#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "korvalind/korvalind.h"

namespace korvalind::serve {

// What tells one version of a file from another: a file renamed into place has a new inode, one
// rewritten in place a new modification time.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t modified_ns = -1;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path now; modified_ns -1 when it cannot be read.
FileIdentity IdentityOf(const std::string& path);

// One opened directory and what the service tells about it. Never changes once loaded, so any
// number of threads may look up in it at once.
class ServedDirectory {
 public:
  // Opens the directory at path (empty: the library's default search). On failure returns null
  // and sets *error to the library's message, which names the file.
  static std::shared_ptr<const ServedDirectory> Open(const std::string& path, std::string* error);

  ServedDirectory(const ServedDirectory&) = delete;
  ServedDirectory& operator=(const ServedDirectory&) = delete;
  ~ServedDirectory();

  const korvalind_directory* handle() const { return handle_; }
  std::string path() const { return korvalind_path(handle_); }
  std::uint32_t segment_count() const { return korvalind_segment_count(handle_); }
  std::string count_line() const { return korvalind_count_line(handle_, 0); }
  const std::vector<int>& held_prefixes() const { return held_prefixes_; }
  std::chrono::system_clock::time_point loaded_at() const { return loaded_at_; }
  // The file as it was just before it was opened.
  const FileIdentity& identity() const { return identity_; }
  // How long opening it took.
  std::chrono::duration<double> load_time() const { return load_time_; }

 private:
  explicit ServedDirectory(korvalind_directory* handle) : handle_(handle) {}

  korvalind_directory* handle_;
  std::vector<int> held_prefixes_;
  FileIdentity identity_;
  std::chrono::system_clock::time_point loaded_at_;
  std::chrono::duration<double> load_time_{};
};

// The directory the service answers from, replaced whole by reloads. Readers keep their own
// reference (Current()) and ask again only when the generation moved, so that a look-up costs
// one atomic load; a request that is running keeps the directory it started with.
class DirectorySlot {
 public:
  explicit DirectorySlot(std::shared_ptr<const ServedDirectory> directory)
      : directory_(std::move(directory)) {}

  std::shared_ptr<const ServedDirectory> Current() const {
    std::lock_guard lock(mutex_);
    return directory_;
  }
  std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

  void Replace(std::shared_ptr<const ServedDirectory> directory) {
    {
      std::lock_guard lock(mutex_);
      directory_.swap(directory);
      generation_.fetch_add(1, std::memory_order_release);
    }
    // The old directory (in directory) is freed here, outside the lock, unless readers hold it.
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const ServedDirectory> directory_;
  std::atomic<std::uint64_t> generation_{0};
};

// A reader's view of a DirectorySlot, for one thread.
class DirectoryView {
 public:
  explicit DirectoryView(const DirectorySlot& slot) : slot_(slot) { Refresh(); }

  // The newest directory.
  const std::shared_ptr<const ServedDirectory>& Get() {
    if (slot_.generation() != generation_) Refresh();
    return directory_;
  }

 private:
  void Refresh() {
    generation_ = slot_.generation();
    directory_ = slot_.Current();
  }

  const DirectorySlot& slot_;
  std::uint64_t generation_ = 0;
  std::shared_ptr<const ServedDirectory> directory_;
};

}  // namespace korvalind::serve
