#pragma once

#include <signal.h>

namespace korvalind {

// Temporary files that an interrupted run must not leave behind (a half-written output can be
// tens of megabytes). A registered name is removed by the signal handlers that
// RemoveTemporaryFilesOnSignals() installs; the registry is safe to use from any thread.

// Remembers path (copied) until UnregisterTemporaryFile(slot). Returns the slot, or -1 when the
// registry is full or the name too long; such a file is then merely not removed on a signal.
int RegisterTemporaryFile(const char* path);
// Forgets the slot (-1 is ignored). Call it before the file is renamed or removed.
void UnregisterTemporaryFile(int slot);

// Holds SIGINT, SIGTERM and SIGHUP back from the calling thread while it lives, for the steps
// between creating a file and registering it (or renaming it and forgetting it), which a
// signal must not split. Threads that never handle them (a helper thread) start with them held.
class SignalsHeld {
 public:
  SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  ~SignalsHeld();

 private:
  sigset_t saved_;
};

// On SIGINT, SIGTERM and SIGHUP: removes every registered file, then dies by the same signal
// (its default action). A signal that is ignored or already handled is left as it is, so that a
// run under nohup still ignores SIGHUP. For programs, not for a library to call behind its
// host's back.
void RemoveTemporaryFilesOnSignals();

}  // namespace korvalind
