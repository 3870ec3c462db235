#pragma once

namespace korvalind {

// Temporary files that an interrupted run must not leave behind (a half-written output can be
// tens of megabytes). A registered name is removed by the signal handlers that
// RemoveTemporaryFilesOnSignals() installs; the registry is safe to use from any thread.

// Remembers path (copied) until UnregisterTemporaryFile(slot). Returns the slot, or -1 when the
// registry is full or the name too long; such a file is then merely not removed on a signal.
int RegisterTemporaryFile(const char* path);
// Forgets the slot (-1 is ignored). Call it before the file is renamed or removed.
void UnregisterTemporaryFile(int slot);

// On SIGINT, SIGTERM and SIGHUP: removes every registered file, then dies by the same signal
// (its default action). A signal that is ignored or already handled is left as it is, so that a
// run under nohup still ignores SIGHUP. For programs, not for a library to call behind its
// host's back.
void RemoveTemporaryFilesOnSignals();

}  // namespace korvalind
