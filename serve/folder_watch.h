#pragma once

#include <sys/types.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <string>

namespace korvalind::serve {

// Watches one folder on an event loop and calls on_change after anything happens in it, and
// besides every poll interval. A folder that is renamed, deleted or replaced (by a new folder
// of the same name) is watched again under its name as soon as it exists; on_change is called
// then too, since a file may have come in unseen.
class FolderWatch {
 public:
  FolderWatch(boost::asio::io_context& context, std::string folder, std::function<void()> on_change,
              std::chrono::milliseconds poll);
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // False, with a message naming the folder, when it cannot be watched now.
  bool Start(std::string* error);
  // Stops watching; on_change is not called any more. On the loop's thread.
  void Close();

 private:
  bool Arm();
  void WaitEvents();
  void WaitPoll();

  const std::string folder_;
  const std::function<void()> on_change_;
  const std::chrono::milliseconds poll_;
  boost::asio::posix::stream_descriptor inotify_;
  boost::asio::steady_timer timer_;
  int watch_ = -1;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  alignas(8) char events_[4096];
};

}  // namespace korvalind::serve
