#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvalind {

// An ordered list of byte strings that is only ever appended to, with a first-occurrence index so
// that finding an entry costs O(1) and still gives the first equal entry, as a walk from the head
// would. Repeated entries are kept (the tools append whole files again on every run).
class TextList {
 public:
  void Append(std::string_view entry);

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::string& operator[](size_t i) const { return entries_[i]; }
  const std::vector<std::string>& entries() const { return entries_; }

  // 1-based position of the first entry equal to text byte for byte; 0 when there is none.
  size_t FirstPosition(std::string_view text) const;

  // Drops the entries from index count on, so that a run that failed leaves the list as it found
  // it. The tools never shrink a list otherwise.
  void TruncateTo(size_t count);

  // Empties the list. Only tests call it; the tools never clear a list.
  void ResetForTesting() { TruncateTo(0); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };

  std::vector<std::string> entries_;
  std::unordered_map<std::string, size_t, Hash, std::equal_to<>> first_;
};

// The maintainer tools' two process-wide lists. They live until the process ends and every run of
// a tool appends to them: PlaceList holds place names (its 1-based positions are the place
// indexes of the records), ZoneList holds zone lines ("province,city:postcode,areacode").
extern TextList PlaceList;
extern TextList ZoneList;

// The place index of name: its first position in PlaceList, 0 for an empty or absent name.
int PlaceIndex(std::string_view name);

}  // namespace korvalind
