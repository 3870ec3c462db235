#include "platform/large_buffer.h"

#include <sys/mman.h>

namespace korvalind {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kLargeFrom = size_t{1} << 20;

size_t RoundUp(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLarge(size_t bytes) {
  if (bytes < kLargeFrom) return ::operator new(bytes);
  const size_t size = RoundUp(bytes);
  // Map one huge page more than needed and keep the aligned part.
  void* mapped =
      ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<std::uintptr_t>(mapped);
  std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
  if (aligned > start) ::munmap(mapped, aligned - start);
  size_t tail = start + size + kHugePage - (aligned + size);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* block, size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kLargeFrom) {
    ::operator delete(block);
    return;
  }
  ::munmap(block, RoundUp(bytes));
}

}  // namespace korvalind
