#include "serve/reloader.h"

#include "serve/event_log.h"

namespace korvalind::serve {

Reloader::Reloader(std::string path, DirectorySlot* slot, Metrics* metrics)
    : path_(std::move(path)), slot_(*slot), metrics_(*metrics), thread_([this] { Loop(); }) {}

Reloader::~Reloader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Reloader::Request(const char* why) {
  {
    std::lock_guard lock(mutex_);
    pending_ = true;
    why_ = why;
  }
  wake_.notify_all();
}

void Reloader::Check() {
  FileIdentity now = IdentityOf(path_);
  if (now.modified_ns < 0 || now == slot_.Current()->identity()) return;
  {
    std::lock_guard lock(mutex_);
    if (now == failed_) return;
  }
  Request("file replaced");
}

void Reloader::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return pending_ || stopping_; });
    if (stopping_) return;
    pending_ = false;
    const char* why = why_;
    lock.unlock();
    // A file that did not change since it was loaded (a SIGHUP with nothing new, a second
    // event for one replacement) is not loaded again.
    FileIdentity now = IdentityOf(path_);
    if (now.modified_ns >= 0 && now == slot_.Current()->identity()) {
      LogEvent("%s (%s) is unchanged: nothing to reload", path_.c_str(), why);
      lock.lock();
      continue;
    }
    std::string error;
    std::shared_ptr<const ServedDirectory> directory = ServedDirectory::Open(path_, &error);
    const bool loaded = directory != nullptr;
    if (loaded) {
      std::uint32_t segments = directory->segment_count();
      double seconds = directory->load_time().count();
      slot_.Replace(std::move(directory));
      metrics_.CountReload(true);
      LogEvent("reloaded %s (%s): %u segments in %.3f s", path_.c_str(), why, segments, seconds);
    } else {
      metrics_.CountReload(false);
      LogEvent("reload (%s) failed, still serving the previous directory: %s", why, error.c_str());
    }
    lock.lock();
    failed_ = loaded ? FileIdentity{} : now;
  }
}

}  // namespace korvalind::serve
