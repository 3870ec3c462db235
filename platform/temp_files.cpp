#include "platform/temp_files.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace korvalind {
namespace {

constexpr int kSlots = 64;

enum SlotState : int { kFree, kFilling, kHeld };

// Names are copied into static storage, so that a handler never reads memory that another thread
// is freeing; the pages of unused slots are never touched.
struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};

Slot g_slots[kSlots];

void RemoveAndDie(int signal_number) {
  for (Slot& slot : g_slots) {
    int held = kHeld;
    if (slot.state.compare_exchange_strong(held, kFilling)) ::unlink(slot.path);
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

int RegisterTemporaryFile(const char* path) {
  const size_t length = std::strlen(path);
  if (length >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int free = kFree;
    if (!g_slots[i].state.compare_exchange_strong(free, kFilling)) continue;
    std::memcpy(g_slots[i].path, path, length + 1);
    g_slots[i].state.store(kHeld);
    return i;
  }
  return -1;
}

void UnregisterTemporaryFile(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  g_slots[slot].state.store(kFree);
}

SignalsHeld::SignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal_number);
  ::pthread_sigmask(SIG_BLOCK, &held, &saved_);
}

SignalsHeld::~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

void RemoveTemporaryFilesOnSignals() {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0) continue;
    if (current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndDie;
    sigemptyset(&action.sa_mask);
    for (int blocked : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, blocked);
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace korvalind
