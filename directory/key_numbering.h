#pragma once

#include <cstdint>
#include <vector>

namespace korvalind {

// Numbers distinct 64-bit keys 0, 1, 2, ... in order of first appearance, with an open-addressing
// table (kept at most half full) so that numbering and finding a key cost O(1).
class KeyNumbering {
 public:
  static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;

  // The number of key, which gets the next number when it is new and fewer than limit keys are
  // numbered; kAbsent when it is new and the limit is reached.
  std::uint32_t Number(std::uint64_t key, size_t limit) {
    if (table_.empty()) table_.assign(64, 0);
    size_t slot = Find(key);
    if (table_[slot] != 0) return table_[slot] - 1;
    if (keys_.size() >= limit) return kAbsent;
    keys_.push_back(key);
    table_[slot] = static_cast<std::uint32_t>(keys_.size());
    if (keys_.size() * 2 > table_.size()) Grow();
    return static_cast<std::uint32_t>(keys_.size() - 1);
  }

  // The number of key, or kAbsent.
  std::uint32_t NumberOf(std::uint64_t key) const {
    if (table_.empty()) return kAbsent;
    std::uint32_t entry = table_[Find(key)];
    return entry == 0 ? kAbsent : entry - 1;
  }

  // Forgets every key numbered count or later.
  void KeepFirst(size_t count) {
    if (count >= keys_.size()) return;
    keys_.resize(count);
    Rehash(table_.size());
  }

  const std::vector<std::uint64_t>& keys() const { return keys_; }
  size_t MemoryBytes() const {
    return table_.capacity() * sizeof(std::uint32_t) + keys_.capacity() * sizeof(std::uint64_t);
  }

 private:
  size_t Find(std::uint64_t key) const {
    size_t mask = table_.size() - 1;
    size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (table_[slot] != 0 && keys_[table_[slot] - 1] != key) slot = (slot + 1) & mask;
    return slot;
  }

  void Grow() { Rehash(table_.size() * 2); }

  void Rehash(size_t size) {
    table_.assign(size, 0);
    for (size_t n = 0; n < keys_.size(); ++n)
      table_[Find(keys_[n])] = static_cast<std::uint32_t>(n + 1);
  }

  std::vector<std::uint32_t> table_;  // key number + 1; 0 = free
  std::vector<std::uint64_t> keys_;
};

}  // namespace korvalind
