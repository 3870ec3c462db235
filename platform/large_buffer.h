#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace korvalind {

// Memory for buffers of a megabyte or more (the directory image, its index). On virtual machines
// a first touch of a 4 KiB page can cost tens of microseconds, so that filling a few megabytes page
// by page takes longer than everything else a query does. Such blocks are placed on 2 MiB
// boundaries and offered to the system for transparent huge pages, which cuts the first touches
// by a factor of 512 where the system takes the offer; elsewhere they are ordinary pages. Smaller
// blocks come from operator new.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* block, size_t bytes) noexcept;

template <typename T>
struct LargeBufferAllocator {
  using value_type = T;
  using is_always_equal = std::true_type;

  LargeBufferAllocator() = default;
  template <typename U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }

  template <typename U>
  bool operator==(const LargeBufferAllocator<U>&) const noexcept {
    return true;
  }
};

using LargeBytes = std::vector<std::uint8_t, LargeBufferAllocator<std::uint8_t>>;

}  // namespace korvalind
