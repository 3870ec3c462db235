#include "serve/folder_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace korvalind::serve {

namespace asio = boost::asio;
using boost::system::error_code;

FolderWatch::FolderWatch(asio::io_context& context, std::string folder,
                         std::function<void()> on_change, std::chrono::milliseconds poll)
    : folder_(std::move(folder)),
      on_change_(std::move(on_change)),
      poll_(poll),
      inotify_(context),
      timer_(context) {}

bool FolderWatch::Start(std::string* error) {
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    *error = "cannot watch the folder " + folder_ + ": " + std::strerror(errno);
    return false;
  }
  inotify_.assign(fd);
  if (!Arm()) {
    *error = "cannot watch the folder " + folder_ + ": " + std::strerror(errno);
    error_code ignored;
    inotify_.close(ignored);
    return false;
  }
  WaitEvents();
  WaitPoll();
  return true;
}

void FolderWatch::Close() {
  error_code ignored;
  inotify_.close(ignored);
  timer_.cancel();
}

// Watches the folder that has the name now, unless it is the one watched already. False when
// there is none (errno tells why).
bool FolderWatch::Arm() {
  struct stat status;
  if (stat(folder_.c_str(), &status) != 0) return false;
  if (watch_ >= 0 && status.st_dev == device_ && status.st_ino == inode_) return true;
  if (watch_ >= 0) inotify_rm_watch(inotify_.native_handle(), watch_);
  // Every way a file can come in or change (written, renamed in, a link swapped), and the
  // folder itself leaving.
  watch_ = inotify_add_watch(inotify_.native_handle(), folder_.c_str(),
                             IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ATTRIB | IN_DELETE |
                                 IN_MOVED_FROM | IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR);
  if (watch_ < 0) return false;
  device_ = status.st_dev;
  inode_ = status.st_ino;
  return true;
}

void FolderWatch::WaitEvents() {
  inotify_.async_read_some(asio::buffer(events_), [this](error_code ec, size_t length) {
    if (ec) return;
    bool folder_left = false;
    for (size_t at = 0; at + sizeof(inotify_event) <= length;) {
      inotify_event event;
      std::memcpy(&event, events_ + at, sizeof event);
      if (event.wd == watch_ && (event.mask & (IN_MOVE_SELF | IN_DELETE_SELF | IN_IGNORED))) {
        folder_left = true;
      }
      at += sizeof(inotify_event) + event.len;
    }
    if (folder_left) {
      // The name may already hold a new folder; if not, the poll arms the watch once it does.
      inotify_rm_watch(inotify_.native_handle(), watch_);
      watch_ = -1;
      Arm();
    }
    on_change_();
    WaitEvents();
  });
}

void FolderWatch::WaitPoll() {
  timer_.expires_after(poll_);
  timer_.async_wait([this](error_code ec) {
    if (ec) return;
    // Catches what no event of this folder shows: a folder replaced while none existed under
    // the name, or a link swapped in a folder further up the path.
    Arm();
    on_change_();
    WaitPoll();
  });
}

}  // namespace korvalind::serve
