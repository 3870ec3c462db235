#include "platform/processors.h"

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace korvalind {

unsigned UsableProcessors() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return static_cast<unsigned>(count);
  }
#endif
  const unsigned reported = std::thread::hardware_concurrency();
  return reported > 0 ? reported : 1;
}

}  // namespace korvalind
