#include "tools/place_list.h"

#include <climits>

namespace korvalind {

TextList PlaceList;
TextList ZoneList;

void TextList::Append(std::string_view entry) {
  entries_.emplace_back(entry);
  if (first_.find(entry) == first_.end()) first_.emplace(entries_.back(), entries_.size());
}

size_t TextList::FirstPosition(std::string_view text) const {
  auto it = first_.find(text);
  return it == first_.end() ? 0 : it->second;
}

void TextList::TruncateTo(size_t count) {
  while (entries_.size() > count) {
    auto it = first_.find(entries_.back());
    if (it != first_.end() && it->second == entries_.size()) first_.erase(it);
    entries_.pop_back();
  }
}

int PlaceIndex(std::string_view name) {
  if (name.empty()) return 0;
  size_t position = PlaceList.FirstPosition(name);
  // A list longer than INT_MAX entries cannot be built in practice; clamp rather than wrap.
  return position > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(position);
}

}  // namespace korvalind
