#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "serve/metrics.h"
#include "serve/served_directory.h"

namespace korvalind::serve {

// Loads the directory file again on request, on a thread of its own, and swaps it into the slot
// when it opens and checks; a file that does not is logged and counted, and the directory in use
// stays. Requests that arrive while a load runs are served by one more load after it; a file
// whose identity (device, inode, size, modification time) is the one in use is not loaded.
class Reloader {
 public:
  Reloader(std::string path, DirectorySlot* slot, Metrics* metrics);
  ~Reloader();
  Reloader(const Reloader&) = delete;
  Reloader& operator=(const Reloader&) = delete;

  // why names the cause in the log ("SIGHUP", "file replaced").
  void Request(const char* why);
  // Requests a reload when a file is at the path (through any links) and it is neither the one
  // in use nor one that failed to load; does nothing otherwise. Cheap enough for every event.
  void Check();

 private:
  void Loop();

  const std::string path_;
  DirectorySlot& slot_;
  Metrics& metrics_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool stopping_ = false;
  const char* why_ = "";
  FileIdentity failed_;  // the last file that did not load
  std::thread thread_;
};

}  // namespace korvalind::serve
